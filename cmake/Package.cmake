# The Debian package (`cmake --build build --target package`, or `cpack -G DEB` in build/):
# kyla and kyla-capture with the generated soundtrack. The programs live in lib/kyla/, the
# soundtrack in share/kyla/, and bin/ holds two small launchers that find both from their own
# place, so the installed commands start from any folder.
set(kyla_program_dir lib/kyla)
set(kyla_data_dir share/kyla)
get_filename_component(KYLA_SOUNDTRACK_NAME ${KYLA_GENERATED_SOUNDTRACK} NAME)

install(TARGETS kyla kyla-capture RUNTIME DESTINATION ${kyla_program_dir})
install(FILES ${KYLA_GENERATED_SOUNDTRACK} DESTINATION ${kyla_data_dir})
foreach(launcher kyla kyla-capture)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${launcher}.in ${PROJECT_BINARY_DIR}/packaging/${launcher} @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/${launcher} DESTINATION bin)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kyla)
set(CPACK_PACKAGE_VERSION 0.1.0)
set(CPACK_PACKAGE_CONTACT "Kylä developers <kyla@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo: a ray-marched village of mirrored houses")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_STRIP_FILES ON)
# The linked libraries are computed from the programs by dpkg-shlibdeps. What they load at run
# time by name is not visible there and is listed here: Mesa's GL and EGL drivers (the software
# renderer where there is no GPU) and the GStreamer plugins that decode and play the soundtrack.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libgl1-mesa-dri, libegl-mesa0, libglx-mesa0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# Sound output (without one the soundtrack still runs as the clock, silently) and MP4 capture.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-alsa | gstreamer1.0-pulseaudio, ffmpeg")
include(CPack)
