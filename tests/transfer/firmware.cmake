# Firmware packages and the simulator's image areas.
quorvel_add_test(test_firmware_package
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_firmware_package.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_firmware_folders.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_sim_firmware_images.cpp
  LIBS quorvel_firmware_package quorvel_sim_testclient)
target_include_directories(test_firmware_package PRIVATE ${PROJECT_SOURCE_DIR})
