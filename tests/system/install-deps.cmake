# The dependency installer: installed packages never reach apt-get; missing ones that cannot be
# installed are named with the command that installs them.
add_test(NAME install_deps COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install-deps-check.sh
                                        ${PROJECT_SOURCE_DIR}/scripts/install-deps.sh)
set_tests_properties(install_deps PROPERTIES LABELS system)
