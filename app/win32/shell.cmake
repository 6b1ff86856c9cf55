# The desktop program's dealings with the Windows shell, a library of its own so that the
# program and its tests link the same code.
add_library(tarnwell_win32_shell STATIC ${CMAKE_SOURCE_DIR}/app/win32/shell_win32.cc)
target_include_directories(tarnwell_win32_shell PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(tarnwell_win32_shell PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(tarnwell_win32_shell PUBLIC shlwapi shell32 ole32 advapi32)
