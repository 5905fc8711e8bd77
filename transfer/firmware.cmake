# Firmware packages: reading, writing, package folders and file names. Qt-free.
add_library(quorvel_firmware_package STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FirmwareFolders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwarePackage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwarePackageWriter.cpp)
target_include_directories(quorvel_firmware_package PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvel_firmware_package PUBLIC quorvel_model)

# The firmware transfers of the three links, on the transfer framework.
add_library(quorvel_firmware STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CTransfertWriteFW.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTransfertWriteFWByBTH.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTransfertWriteFWByETH.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTransfertWriteFWByUSB.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwareUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinkSession.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateFwLogic.cpp)
target_link_libraries(quorvel_firmware PUBLIC quorvel_firmware_package quorvel_transfer)

# The firmware dialog.
if(QUORVEL_GUI)
  add_library(quorvel_firmware_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ui/CIhmDlgUpdateFW.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ui/CIhmDlgUpdateFW.h)
  set_target_properties(quorvel_firmware_ui PROPERTIES AUTOMOC ON)
  target_link_libraries(quorvel_firmware_ui PUBLIC quorvel_firmware quorvel_transfer_ui
                                                   quorvel_widgets Qt6::Widgets)
endif()
