# corvane_module(NAME [QT] [USES MODULE...])
#
# Declares the module in src/NAME: the static library corvane_NAME with its
# include root, linked publicly to the modules it uses. This one line in the
# module's CMakeLists is the only place its dependencies are written;
# scripts/check-layers reads it (so keep it on one line) to check the includes.
# QT marks the modules that may use Qt: only these get Qt and moc, and a
# Qt-free module may not use one of them. Sources come with target_sources.
function(corvane_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "USES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "corvane_module(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  add_library(corvane_${name} STATIC)
  target_include_directories(corvane_${name} PUBLIC include)
  get_property(modules GLOBAL PROPERTY corvane_modules)
  get_property(qt_modules GLOBAL PROPERTY corvane_qt_modules)
  foreach(used IN LISTS arg_USES)
    if(NOT used IN_LIST modules)
      message(FATAL_ERROR "corvane_module(${name}): uses ${used}, which is not declared before it")
    endif()
    if(used IN_LIST qt_modules AND NOT arg_QT)
      message(FATAL_ERROR "corvane_module(${name}): the Qt-free module uses the Qt module ${used}")
    endif()
    target_link_libraries(corvane_${name} PUBLIC corvane_${used})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY corvane_modules ${name})
  if(arg_QT)
    set_property(GLOBAL APPEND PROPERTY corvane_qt_modules ${name})
    set_target_properties(corvane_${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(corvane_${name} PUBLIC Qt6::Widgets Qt6::Gui)
  endif()
endfunction()

# For the modules with exact vector kernels (every instruction-set path and
# every block size give the same bits, and the error bounds count every
# rounding), on the whole target so that no source file can miss them:
# -fno-trapping-math lets GCC vectorise the comparisons and conversions;
# no contraction into fused multiply-adds and no fast-math; the square roots
# only see values where errno never matters, so they may become vector
# instructions (correctly rounded like the library's). -O3 also in the debug
# builds, where the tests run these kernels over long signals.
set(CORVANE_EXACT_KERNEL_OPTIONS -O3 -fno-trapping-math -ffp-contract=off -fno-fast-math -fno-math-errno)
