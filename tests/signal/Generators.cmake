# The generators of the measurement signals besides sweep and noise: tone
# sums, linear sweeps, bursts and maximum-length sequences, each against
# closed forms and direct transforms written in the tests.
if(NOT TARGET PkgConfig::KISSFFT)
  pkg_check_modules(KISSFFT REQUIRED IMPORTED_TARGET kissfft-float)
endif()
add_executable(corvane_generator_tests
  ${CMAKE_CURRENT_LIST_DIR}/MlsGenTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToneSumTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinSweepGenTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BurstGenTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PeriodicNoiseTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PowerBands.cpp
)
target_link_libraries(corvane_generator_tests PRIVATE corvane_signal GTest::gtest_main PkgConfig::KISSFFT)
gtest_discover_tests(corvane_generator_tests DISCOVERY_TIMEOUT 60)
