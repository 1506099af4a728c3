# Bad input: seeded random files, statements, texts and amounts, and hostile texts typed into
# the windows' fields.
zenlo_tests(fuzz GUI LIBS zenlo_test_support_ui zenlo_goods zenlo_sales zenlo_sale)
