# Windows hands a program its arguments, and the narrow file functions take their paths, in the ANSI code
# page (1252 on most Western systems) unless the executable's manifest asks for UTF-8: without it an
# accented file name fails to open and a name outside that code page arrives changed. Every executable gets
# the manifest, the tests too, so that they run as the program does.
if(WIN32)
  enable_language(RC)
  # Resource type 24, id 1: the manifest Windows reads when it starts the program.
  set(ROMQUILL_MANIFEST_RC ${CMAKE_BINARY_DIR}/romquill-manifest.rc)
  file(WRITE ${ROMQUILL_MANIFEST_RC} "1 24 \"${CMAKE_CURRENT_LIST_DIR}/windows/romquill.manifest\"\n")
endif()

function(romquill_windows_executable target)
  if(WIN32)
    target_sources(${target} PRIVATE ${ROMQUILL_MANIFEST_RC})
  endif()
endfunction()
