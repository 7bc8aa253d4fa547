# GoogleTest built from Debian's sources (package googletest) with whatever compiler this
# build uses, native or mingw. Defines the targets gtest and gtest_main.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${GOOGLETEST_SOURCE_DIR}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${GOOGLETEST_SOURCE_DIR}: "
                      "install Debian's googletest package (scripts/test.sh does).")
endif()

add_library(gtest STATIC ${GOOGLETEST_SOURCE_DIR}/src/gtest-all.cc)
target_include_directories(gtest SYSTEM PUBLIC ${GOOGLETEST_SOURCE_DIR}/include
                                        PRIVATE ${GOOGLETEST_SOURCE_DIR})
target_compile_options(gtest PRIVATE -w)
if(WIN32)
  # The win32 thread model of our mingw toolchain has no std::mutex, which GoogleTest uses
  # only in its Notification helper; give it one built on a Win32 event instead.
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC
    "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/gtest_win32_notification.h")
else()
  find_package(Threads REQUIRED)
  target_link_libraries(gtest PUBLIC Threads::Threads)
endif()

add_library(gtest_main STATIC ${GOOGLETEST_SOURCE_DIR}/src/gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)
