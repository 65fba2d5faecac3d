# Turns the GLSL sources into C++ data at build time: one byte array per file and the table
# `shaderSources` that points at them, in the order given.
set(KYLA_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_shaders_run.cmake)

function(embed_shaders output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} "-DSOURCES=${ARGN}" -P ${KYLA_EMBED_SCRIPT}
    DEPENDS ${ARGN} ${KYLA_EMBED_SCRIPT}
    COMMENT "Embedding shader sources"
    VERBATIM)
endfunction()
