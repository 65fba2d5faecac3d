# `release`: kyla-windows.zip, the form in which the demo is handed out. It unpacks to a folder
# kyla/ holding kyla.exe, the soundtrack "brimvale-tarnel.wav" beside it and kyla.txt.
set(KYLA_RELEASE_SOUNDTRACK "" CACHE FILEPATH
    "Soundtrack for the release archive; when empty, a 60-second test tone is made in its place")

set(stage ${CMAKE_BINARY_DIR}/release/kyla)
file(MAKE_DIRECTORY ${stage})
if(KYLA_RELEASE_SOUNDTRACK)
  add_custom_command(OUTPUT ${stage}/brimvale-tarnel.wav
    COMMAND ${CMAKE_COMMAND} -E copy ${KYLA_RELEASE_SOUNDTRACK} ${stage}/brimvale-tarnel.wav
    DEPENDS ${KYLA_RELEASE_SOUNDTRACK}
    VERBATIM)
  set(KYLA_RELEASE_SOUNDTRACK_NOTE "")
else()
  # make-test-wav is a Windows program here; it runs under the build's wine.
  add_custom_command(OUTPUT ${stage}/brimvale-tarnel.wav
    COMMAND make-test-wav 60 brimvale-tarnel.wav
    WORKING_DIRECTORY ${stage}
    DEPENDS make-test-wav
    COMMENT "Making a 60-second test tone for the release archive"
    VERBATIM)
  set(KYLA_RELEASE_SOUNDTRACK_NOTE
      "The soundtrack in this archive is a 60-second test tone standing in for the music.")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/kyla.txt.in ${stage}/kyla.txt @ONLY NEWLINE_STYLE DOS)

add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/kyla-windows.zip
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kyla> ${stage}/kyla.exe
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/kyla-windows.zip --format=zip
          kyla/kyla.exe kyla/brimvale-tarnel.wav kyla/kyla.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/release
  DEPENDS kyla ${stage}/brimvale-tarnel.wav ${stage}/kyla.txt
  COMMENT "Packing kyla-windows.zip"
  VERBATIM)
add_custom_target(release DEPENDS ${CMAKE_BINARY_DIR}/kyla-windows.zip)
