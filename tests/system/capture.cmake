# The generated soundtrack and the capture tool as the build and a user meet them. The capture's
# own runs (frames, video, sheet, errors) are GL tests in tests/gl/capture_test.cpp.
add_test(NAME capture_soundtrack_placement
  COMMAND ${CMAKE_COMMAND} -DPLACE=${PROJECT_SOURCE_DIR}/tools/soundtrack/place_soundtrack.cmake
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/place-soundtrack -P ${CMAKE_CURRENT_SOURCE_DIR}/capture/place_soundtrack_test.cmake)
set_tests_properties(capture_soundtrack_placement PROPERTIES LABELS system)

add_test(NAME capture_soundtrack_help COMMAND kyla-soundtrack --help)
set_tests_properties(capture_soundtrack_help PROPERTIES LABELS system PASS_REGULAR_EXPRESSION "usage: kyla-soundtrack FILE.*example")

# capture-on-slurm.sh on a throw-away one-node Slurm cluster that the test starts and stops.
add_test(NAME capture_on_slurm
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/capture/slurm-check.sh ${PROJECT_SOURCE_DIR}/scripts/capture-on-slurm.sh
          ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}/tools/soundtrack/brimvale-tarnel.wav)
set_tests_properties(capture_on_slurm PROPERTIES LABELS system SKIP_RETURN_CODE 77 TIMEOUT 600)
