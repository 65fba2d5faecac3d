# A wrong option or value gets one line that names it, and status 2, from every tool that takes
# options.
function(kyla_bad_option_test name program expected)
  add_test(NAME options_${name}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> "-DARGS=${ARGN}" "-DEXPECTED=${expected}"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/options/expect_bad_option.cmake)
  set_tests_properties(options_${name} PROPERTIES LABELS system)
endfunction()

kyla_bad_option_test(poll_ms_not_a_number startup-bench "^startup-bench: --poll-ms: 'x' is not a whole number" --poll-ms x)
kyla_bad_option_test(seconds_zero startup-bench "^startup-bench: --seconds: '0' is not a number of seconds above 0" --seconds 0)
kyla_bad_option_test(seconds_missing startup-bench "^startup-bench: --seconds needs a value" --seconds)
kyla_bad_option_test(frames_trailing scene-bench "^scene-bench: --frames: '3x' is not a whole number above 0" --frames 3x)
kyla_bad_option_test(frames_unknown scene-bench "^scene-bench: unknown argument '--bogus'" --bogus)
kyla_bad_option_test(wav_rate make-test-wav "^make-test-wav: --rate: '-5' is not a rate in Hz above 0" 1 a.wav --rate -5)
kyla_bad_option_test(wav_seconds make-test-wav "^make-test-wav: SECONDS: 'two' is not a length in seconds" two a.wav)
kyla_bad_option_test(capture_fps kyla-capture "^kyla-capture: --fps: '2x' is not a whole number" --still 1 a.png --fps 2x)
