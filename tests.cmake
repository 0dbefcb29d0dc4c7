# Unit tests, run natively on the host and under Wine in the windows build.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "GoogleTest sources not found: apt-get install googletest")
endif()

add_library(korvinst_fake STATIC testing/fake_platform.cc)
korvinst_target(korvinst_fake)
target_link_libraries(korvinst_fake PUBLIC korvinst_emulated)

add_executable(korvinst_tests
  app/bad_input_test.cc
  app/command_line_test.cc
  app/fault_injection_test.cc
  app/run_test.cc
  files/files_test.cc
  help/contents_merge_test.cc
  help/help_file_test.cc
  packages/packages_test.cc
  registry/registry_scope_test.cc
  registry/registry_store_test.cc
  searchpath/search_path_test.cc
  text/string_list_test.cc
  text/text_test.cc
)
korvinst_target(korvinst_tests)
target_link_libraries(korvinst_tests PRIVATE korvinst_fake gmock_main)
if(KORVINST_PLATFORM STREQUAL "win32")
  target_sources(korvinst_tests PRIVATE registry/registry_scope_win32_test.cc)
  target_link_libraries(korvinst_tests PRIVATE korvinst_platform)
  target_link_options(korvinst_tests PRIVATE -static -static-libgcc -static-libstdc++)
endif()
add_test(NAME unit COMMAND korvinst_tests)

if(KORVINST_PLATFORM STREQUAL "host")
  add_test(NAME end_to_end_host
    COMMAND python3 ${PROJECT_SOURCE_DIR}/scenarios/run_scenarios.py
            --runner host --program $<TARGET_FILE:korvinst>)
endif()
if(KORVINST_PLATFORM STREQUAL "win32")
  # The scenario runner starts the real program under Wine itself.
  add_test(NAME end_to_end_windows
    COMMAND python3 ${PROJECT_SOURCE_DIR}/scenarios/run_scenarios.py
            --runner windows --program $<TARGET_FILE:korvinst>)
endif()
if(KORVINST_PLATFORM STREQUAL "host")
  add_test(NAME host_machine
    COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/host_machine_test.py $<TARGET_FILE:korvinst>)
endif()
if(KORVINST_PLATFORM STREQUAL "win32")
  add_test(NAME concurrent_windows
    COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/wine_concurrent_test.py $<TARGET_FILE:korvinst>)
endif()
