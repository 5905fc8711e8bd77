# Firmware packages: reading, writing, package folders and file names. Qt-free.
add_library(quorvel_firmware_package STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FirmwareFolders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwarePackage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwarePackageWriter.cpp)
target_include_directories(quorvel_firmware_package PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvel_firmware_package PUBLIC quorvel_model)
