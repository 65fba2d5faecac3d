# Run with -P, given PLACE (the build's script that places the generated soundtrack) and WORK (a
# scratch folder): the ways the demo's folder can stand when the build places the soundtrack.
set(generated ${WORK}/generated.wav)
set(target ${WORK}/demo/brimvale-tarnel.wav)

function(place)
  execute_process(COMMAND ${CMAKE_COMMAND} -DGENERATED=${generated} -DTARGET=${target} -DSTAMP=${WORK}/stamp -P ${PLACE}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "placing the soundtrack failed")
  endif()
endfunction()

function(expect_in_place content why)
  file(READ ${target} found)
  if(NOT found STREQUAL content)
    message(FATAL_ERROR "${why}: found '${found}', expected '${content}'")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/demo)

file(WRITE ${generated} "first generation")
place()
expect_in_place("first generation" "an empty folder gets the generated soundtrack")

file(WRITE ${generated} "second generation")
place()
expect_in_place("second generation" "the build's own earlier copy is replaced")

file(WRITE ${target} "the user's soundtrack")
place()
expect_in_place("the user's soundtrack" "a soundtrack the user put in place is kept")
file(WRITE ${generated} "third generation")
place()
expect_in_place("the user's soundtrack" "the user's soundtrack is kept through later builds")

file(REMOVE ${target})
place()
expect_in_place("third generation" "once the user's file is gone, the generated one comes back")

file(REMOVE ${WORK}/stamp)
file(WRITE ${target} "there before the first build")
place()
expect_in_place("there before the first build" "a file there before any build is the user's")
