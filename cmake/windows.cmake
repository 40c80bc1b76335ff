# The Windows side: the real platform layer, the program and its resources.
enable_language(RC)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

file(GLOB LINGBO_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
list(FILTER LINGBO_WIN32_SOURCES EXCLUDE REGEX "winmain\\.cpp$")
add_library(lingbo_win32 OBJECT ${LINGBO_WIN32_SOURCES})
target_include_directories(lingbo_win32 PUBLIC src)
set(LINGBO_WIN32_LIBS user32 gdi32 shell32 version comctl32 advapi32 imm32)

file(GLOB LINGBO_RESOURCES CONFIGURE_DEPENDS src/platform/win32/*.rc)
# The version lives in one place, the project() line: the resources (and the
# release package's name) take it from there.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/lingbo_version.h CONTENT
"#define LINGBO_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}
#define LINGBO_VERSION_MINOR ${PROJECT_VERSION_MINOR}
#define LINGBO_VERSION_PATCH ${PROJECT_VERSION_PATCH}
#define LINGBO_VERSION_TEXT \"${PROJECT_VERSION}\"
")
include_directories(${CMAKE_BINARY_DIR}/generated)
add_executable(lingbo WIN32 src/platform/win32/winmain.cpp cmake/lean_terminate.cpp ${LINGBO_RESOURCES})
target_link_libraries(lingbo PRIVATE lingbo_logic lingbo_win32 ${LINGBO_WIN32_LIBS})
set_target_properties(lingbo PROPERTIES OUTPUT_NAME lingbo RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# windres reads the resource script as GBK text.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 936")
# No timestamp in the PE header: the same commit gives the same bytes.
target_link_options(lingbo PRIVATE -Wl,--no-insert-timestamp -s)
# Small: the linker drops what nothing reaches (much of the static C++ runtime).
target_link_options(lingbo PRIVATE -Wl,--gc-sections)

# Checks of the real platform layer itself (the program's windows, skin, tray
# and resources), run under Wine.  They link the platform layer without the
# program's logic and record the events it reports, as the contract suite does.
file(GLOB LINGBO_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*_test.cpp)
if(LINGBO_WIN32_TEST_SOURCES)
  add_executable(win32_tests ${LINGBO_WIN32_TEST_SOURCES} ${LINGBO_RESOURCES}
                 ${CMAKE_SOURCE_DIR}/tests/contract/own_events.cpp ${CMAKE_SOURCE_DIR}/tests/contract/world_win32.cpp)
  target_link_libraries(win32_tests PRIVATE lingbo_win32 ${LINGBO_WIN32_LIBS} gtest gtest_main)
  target_include_directories(win32_tests PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(win32_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The stand-in peers once more, 32-bit, into peers32/: tests/peers configured
# as a project of its own with the 32-bit toolchain.  lingbo.exe itself stays
# one 64-bit program.  The inner build runs on every build of this tree and
# rebuilds only what changed.
include(ExternalProject)
ExternalProject_Add(peers32
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tests/peers
  PREFIX ${CMAKE_BINARY_DIR}/peers32-build
  BINARY_DIR ${CMAKE_BINARY_DIR}/peers32-build/build
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DLINGBO_PEERS_OUTPUT_DIR=${CMAKE_BINARY_DIR}/peers32
  INSTALL_COMMAND ""
  BUILD_ALWAYS TRUE)
