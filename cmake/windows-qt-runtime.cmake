# The window program on Windows finds Qt's DLLs beside it, its platform and style plugins in folders beside
# it (the layout Qt's deployment tool makes), and the compiler's runtime that Qt's DLLs link (our own
# executables link it statically). bin/ gets them, so that it is a runnable program folder as on Linux, and
# so does the tests' folder, so that the window tests run under Wine without a search path of their own.
set(romquill_qt_files $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
    message(FATAL_ERROR "The compiler's runtime ${runtime} was not found (${CMAKE_CXX_COMPILER}).")
  endif()
  list(APPEND romquill_qt_files ${runtime_path})
endforeach()
# Folder, then plugin: the windows platform draws the windows, offscreen runs them without a display (the
# tests), the Vista style gives them the system's look.
set(romquill_qt_plugins
  platforms Qt6::QWindowsIntegrationPlugin
  platforms Qt6::QOffscreenIntegrationPlugin
  styles Qt6::QWindowsVistaStylePlugin)

# Fills FOLDER with the DLLs and plugins, after TARGET is built; extra names further DLLs (Qt's test library).
function(romquill_windows_qt_runtime target folder)
  set(files ${romquill_qt_files})
  foreach(extra IN LISTS ARGN)
    list(APPEND files $<TARGET_FILE:${extra}>)
  endforeach()
  set(commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${folder})
  set(plugins ${romquill_qt_plugins})
  while(plugins)
    list(POP_FRONT plugins subfolder plugin)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/${subfolder}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}> ${folder}/${subfolder})
  endwhile()
  add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
endfunction()
