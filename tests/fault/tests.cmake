# Fault tests: the program killed at random points of its writes, and writes on a full disk.
# The kill tests drive one child program, told by its first argument what to do until killed.
add_executable(fault_child ${CMAKE_CURRENT_LIST_DIR}/fault_child.cpp)
target_link_libraries(fault_child PRIVATE zenlo_test_support_ui zenlo_sale zenlo_goods)
zenlo_tests(fault GUI LIBS zenlo_test_support_ui zenlo_sale zenlo_goods zenlo_maintenance)
add_dependencies(tests_fault fault_child)
