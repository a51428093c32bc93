# What a cross-build for Windows takes from the host: Debian ships nlohmann-json, CLI11, stb and GoogleTest only
# for the host, as header-only libraries and as sources, so they are taken from there and built with the
# target's compiler. Only the nlohmann/, CLI/ and stb/ folders are put on the include path: all of /usr/include
# would mix the host's C headers into the target's.
set(romquill_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${romquill_host_headers})
foreach(folder nlohmann CLI stb)
  if(NOT EXISTS ${romquill_host_headers}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${romquill_host_headers}/${folder} SYMBOLIC)
  endif()
endforeach()
foreach(target nlohmann_json::nlohmann_json CLI11::CLI11)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${romquill_host_headers})
endforeach()

if(BUILD_TESTING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  # Its CMake files name the targets GTest::gtest and GTest::gtest_main, as find_package(GTest) does.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# The static zlib (libz-mingw-w64-dev), so that no zlib1.dll must travel with the executables.
find_library(ZLIB_LIBRARY NAMES libz.a REQUIRED)

# pugixml, which Debian ships for the host only, built as a static library from Debian's source by
# scripts/build-pugixml-windows (through scripts/lib/windows-build.sh, which passes its folder).
set(ROMQUILL_PUGIXML_WINDOWS "" CACHE PATH "pugixml for Windows, as scripts/build-pugixml-windows installs it")
if(NOT EXISTS "${ROMQUILL_PUGIXML_WINDOWS}/lib/libpugixml.a")
  message(FATAL_ERROR "No pugixml for Windows: configure through scripts/lib/windows-build.sh, or give "
                      "-DROMQUILL_PUGIXML_WINDOWS=\"$(scripts/build-pugixml-windows | tail -n1)\"")
endif()
add_library(pugixml::pugixml STATIC IMPORTED GLOBAL)
set_target_properties(pugixml::pugixml PROPERTIES IMPORTED_LOCATION ${ROMQUILL_PUGIXML_WINDOWS}/lib/libpugixml.a
  INTERFACE_INCLUDE_DIRECTORIES ${ROMQUILL_PUGIXML_WINDOWS}/include)
