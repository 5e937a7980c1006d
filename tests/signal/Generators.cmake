# The generators of the measurement signals besides sweep and noise: tone
# sums, linear sweeps, bursts and maximum-length sequences, each against
# closed forms and direct transforms written in the tests.
add_executable(corvane_generator_tests
  ${CMAKE_CURRENT_LIST_DIR}/MlsGenTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToneSumTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinSweepGenTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BurstGenTest.cpp
)
target_link_libraries(corvane_generator_tests PRIVATE corvane_signal GTest::gtest_main)
gtest_discover_tests(corvane_generator_tests DISCOVERY_TIMEOUT 60)
