# The demo as a user runs it: under a private X server, from a working directory that holds (or
# lacks) the soundtrack, and with no display at all. Frames are counted by a preloaded wrapper of
# the buffer swap.
add_library(kyla_swap_counter MODULE ${CMAKE_CURRENT_SOURCE_DIR}/swap_counter.cpp)
target_link_libraries(kyla_swap_counter PRIVATE ${CMAKE_DL_LIBS})

set(demo_run ${CMAKE_CURRENT_SOURCE_DIR}/demo-run.sh)
foreach(case plays-to-the-end ends-on-signal small-screen without-soundtrack without-display)
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
