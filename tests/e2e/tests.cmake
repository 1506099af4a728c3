# The whole program as built, driven on a real X display (Xvfb with openbox) by xdotool.
add_executable(tests_e2e e2e/tst_counter_day.cpp support/test_main.cpp)
find_package(X11 REQUIRED)
target_link_libraries(tests_e2e PRIVATE zenlo_test_support X11::X11)
target_compile_definitions(tests_e2e PRIVATE ZENLO_PROGRAM="$<TARGET_FILE:zenlo>"
                                             ZENLO_ADMIN="$<TARGET_FILE:zenlo-admin>")
add_dependencies(tests_e2e zenlo zenlo-admin)
add_test(NAME e2e.tst_counter_day
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/x11/run-under-x.sh $<TARGET_FILE:tests_e2e> tst_counter_day)
# One Xvfb at a time: two started together by xvfb-run -a may pick the same display number.
set_tests_properties(e2e.tst_counter_day PROPERTIES TIMEOUT 600 RESOURCE_LOCK xvfb
                     ENVIRONMENT "QT_LOGGING_RULES=qt.qpa.*=false;ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
