# The demo as a user runs it: under a private X server, from a working directory that holds (or
# lacks) the soundtrack, and with no display at all. Frames are counted by a preloaded wrapper of
# the buffer swap.
add_library(kyla_swap_counter MODULE ${CMAKE_CURRENT_SOURCE_DIR}/swap_counter.cpp)
target_link_libraries(kyla_swap_counter PRIVATE ${CMAKE_DL_LIBS} kyla_warnings)

set(demo_run ${CMAKE_CURRENT_SOURCE_DIR}/demo-run.sh)
foreach(case plays-to-the-end ends-on-signal dies-of-crash-signal small-screen without-soundtrack without-display)
  add_test(NAME demo_${case}
    COMMAND bash ${demo_run} ${case} $<TARGET_FILE:kyla> $<TARGET_FILE:make-test-wav>
            $<TARGET_FILE:kyla_swap_counter> ${KYLA_WITH_XVFB})
  set_tests_properties(demo_${case} PROPERTIES LABELS system TIMEOUT 180)
endforeach()

if(TARGET startup-bench)
  add_test(NAME startup_bench_help COMMAND startup-bench --help)
  set_tests_properties(startup_bench_help PROPERTIES LABELS system
    PASS_REGULAR_EXPRESSION "usage: startup-bench .*first presented frame")
endif()

# Where the built demo keeps its data, read from its symbol table.
add_test(NAME demo_sections COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-sections.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:kyla>)
set_tests_properties(demo_sections PROPERTIES LABELS system)

# The desktop backend's clock and keys, on a private X server.
add_executable(sdl_keys_check ${CMAKE_CURRENT_SOURCE_DIR}/sdl_keys_check.cpp)
target_link_libraries(sdl_keys_check PRIVATE kyla_core kyla_platform)
add_test(NAME demo_sdl_clock_and_keys
  COMMAND ${KYLA_WITH_XVFB} ${CMAKE_CURRENT_SOURCE_DIR}/sdl-keys.sh $<TARGET_FILE:sdl_keys_check>)
set_tests_properties(demo_sdl_clock_and_keys PROPERTIES LABELS system TIMEOUT 120)

# The whole generated soundtrack, played to its end by the demo with GL errors made fatal, and the
# resident memory watched. A sanitizer build runs a short soundtrack instead, without the
# preloaded swap counter, which cannot come before the sanitizer's runtime.
add_executable(kyla-gl-checked ${CMAKE_CURRENT_SOURCE_DIR}/gl_checked_demo.cpp)
target_link_libraries(kyla-gl-checked PRIVATE kyla_core kyla_platform kyla_media kyla_warnings)
if(KYLA_SANITIZE)
  add_test(NAME demo_sanitized_run
    COMMAND bash ${demo_run} sanitized-run $<TARGET_FILE:kyla-gl-checked> $<TARGET_FILE:make-test-wav> ""
            ${KYLA_WITH_XVFB})
  set_tests_properties(demo_sanitized_run PROPERTIES LABELS whole-program TIMEOUT 300)
else()
  add_test(NAME demo_whole_run
    COMMAND bash ${demo_run} whole-run $<TARGET_FILE:kyla-gl-checked> $<TARGET_FILE:make-test-wav>
            $<TARGET_FILE:kyla_swap_counter> ${KYLA_WITH_XVFB}
            ${PROJECT_BINARY_DIR}/tools/soundtrack/brimvale-tarnel.wav)
  set_tests_properties(demo_whole_run PROPERTIES LABELS system TIMEOUT 300)
endif()
add_test(NAME demo_gl_check_fires
  COMMAND ${KYLA_WITH_XVFB} env KYLA_GL_CHECK_PROVE=1 $<TARGET_FILE:kyla-gl-checked>)
set_tests_properties(demo_gl_check_fires PROPERTIES LABELS system TIMEOUT 120
  PASS_REGULAR_EXPRESSION "kyla-gl-checked: GL error")
