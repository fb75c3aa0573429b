# The Windows build, cross-compiled with cmake/mingw-w64-x86_64.cmake: the
# framework, the game as one statically linked tazmelo.exe (GUI subsystem,
# icon and version information) and the platform test program. Libraries
# come from the prefix scripts/windows-deps prints; the game's data is made
# by the native build's generators (scripts/build-windows).
set(KESTRO_WINDOWS_DEPS "" CACHE PATH "Library prefix made by scripts/windows-deps")
set(KESTRO_WINDOWS_ICON "" CACHE FILEPATH "The game's icon (.ico)")
set(KESTRO_VERSION "1.0.0" CACHE STRING "Version shown in the executable's properties")
set(deps ${KESTRO_WINDOWS_DEPS})
if(NOT EXISTS ${deps}/lib/libglfw3.a OR NOT EXISTS ${deps}/lib/libOpenAL32.a)
  message(FATAL_ERROR "KESTRO_WINDOWS_DEPS must name the prefix scripts/windows-deps prints "
    "(GLFW, OpenAL Soft, Ogg and Vorbis built for Windows)")
endif()

file(GLOB KESTRO_SOURCES CONFIGURE_DEPENDS
  runtime/*.cpp host/*.cpp graphics/*.cpp audio/*.cpp app/*.cpp net/*.cpp)
list(FILTER KESTRO_SOURCES EXCLUDE REGEX "_posix\\.cpp$")

add_library(kestro OBJECT ${KESTRO_SOURCES})
target_include_directories(kestro PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(kestro SYSTEM PUBLIC ${deps}/include)
target_compile_definitions(kestro PUBLIC AL_LIBTYPE_STATIC UNICODE _UNICODE _WIN32_WINNT=0x0601)
target_link_libraries(kestro PUBLIC
  ${deps}/lib/libglfw3.a ${deps}/lib/libOpenAL32.a
  ${deps}/lib/libvorbisfile.a ${deps}/lib/libvorbis.a ${deps}/lib/libogg.a
  opengl32 gdi32 ws2_32 ole32 shell32 winmm avrt uuid)
# One file to ship: the C and C++ runtimes and winpthreads linked in.
target_link_options(kestro PUBLIC -static -static-libgcc -static-libstdc++)

file(GLOB GAME_SOURCES CONFIGURE_DEPENDS game/*.cpp)
set(rc ${CMAKE_CURRENT_BINARY_DIR}/tazmelo.rc)
string(REPLACE "." "," version_commas "${KESTRO_VERSION}.0")
set(icon_line "")
if(KESTRO_WINDOWS_ICON)
  set(icon_line "1 ICON \"${KESTRO_WINDOWS_ICON}\"")
endif()
file(WRITE ${rc}.in "#include <winver.h>
${icon_line}
VS_VERSION_INFO VERSIONINFO
FILEVERSION ${version_commas}
PRODUCTVERSION ${version_commas}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"FileDescription\", \"Tazmelo\"
      VALUE \"FileVersion\", \"${KESTRO_VERSION}\"
      VALUE \"InternalName\", \"tazmelo\"
      VALUE \"OriginalFilename\", \"tazmelo.exe\"
      VALUE \"ProductName\", \"Tazmelo\"
      VALUE \"ProductVersion\", \"${KESTRO_VERSION}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
configure_file(${rc}.in ${rc} COPYONLY)
add_library(tazmelo_game OBJECT ${GAME_SOURCES} ${rc})
target_link_libraries(tazmelo_game PUBLIC kestro)
add_executable(tazmelo WIN32 $<TARGET_OBJECTS:tazmelo_game>)
target_link_libraries(tazmelo PRIVATE kestro)
# The same objects as one archive: OpenAL Soft is LGPL and linked in
# statically, so a player may relink the game with a changed copy of it.
add_library(tazmelo_objects STATIC $<TARGET_OBJECTS:tazmelo_game> $<TARGET_OBJECTS:kestro>)
set_target_properties(tazmelo_objects PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_target_properties(tazmelo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
if(KESTRO_WINDOWS_ICON)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KESTRO_WINDOWS_ICON})
endif()

# The platform layer's own checks, run under Wine by scripts/test-windows.
add_executable(platform_win_test tests/windows/platform_win_test.cpp)
target_link_libraries(platform_win_test PRIVATE kestro)
set_target_properties(platform_win_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
