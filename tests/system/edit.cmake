# kyla-edit as a user starts it: its help, a wrong argument, and the one line it gives when the
# shader folder is not beside the working directory. No display is offered, so the last run ends
# at the display; the line comes before that.
if(TARGET kyla-edit)
  add_test(NAME edit_help COMMAND kyla-edit --help)
  set_tests_properties(edit_help PROPERTIES LABELS system PASS_REGULAR_EXPRESSION "usage: kyla-edit.*Ctrl\\+S.*Escape")

  add_test(NAME edit_unknown_argument COMMAND kyla-edit --bogus)
  set_tests_properties(edit_unknown_argument PROPERTIES LABELS system PASS_REGULAR_EXPRESSION "unknown argument '--bogus' \\(try --help\\)")

  set(edit_away ${CMAKE_CURRENT_BINARY_DIR}/edit-away/work)
  file(MAKE_DIRECTORY ${edit_away})
  add_test(NAME edit_reports_missing_shader_folder COMMAND kyla-edit WORKING_DIRECTORY ${edit_away})
  set_tests_properties(edit_reports_missing_shader_folder PROPERTIES LABELS system TIMEOUT 60
    ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:"
    PASS_REGULAR_EXPRESSION "kyla-edit: no shader folder at '\\.\\./src/shaders/' from '[^']*edit-away/work'.*running the embedded shaders")
endif()
