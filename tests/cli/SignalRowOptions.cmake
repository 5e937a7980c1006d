# The new signals' options through the command line: parsing, refusals, and
# play against export (the commands run as processes, with threads).
add_executable(corvane_signal_row_option_tests
  ${CMAKE_CURRENT_LIST_DIR}/SignalRowOptionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/Process.cpp
)
target_include_directories(corvane_signal_row_option_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_signal_row_option_tests PRIVATE corvane_cli GTest::gtest_main)
target_compile_definitions(corvane_signal_row_option_tests PRIVATE CORVANE_EXE="$<TARGET_FILE:corvane>")
add_dependencies(corvane_signal_row_option_tests corvane)
gtest_discover_tests(corvane_signal_row_option_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS threaded)
