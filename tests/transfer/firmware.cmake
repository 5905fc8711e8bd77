# Firmware packages and the simulator's image areas.
quorvel_add_test(test_firmware_package
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_firmware_package.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_firmware_folders.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_sim_firmware_images.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_update_fw_logic.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_firmware_reconnect.cpp
          ${CMAKE_CURRENT_LIST_DIR}/test_firmware_sequences.cpp
  LIBS quorvel_firmware quorvel_sim_testclient)
target_include_directories(test_firmware_package PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(test_firmware_package PRIVATE
  QUORVEL_FIRMWARE_GOLDEN="${CMAKE_CURRENT_LIST_DIR}/golden")

# End to end against the simulator, over the three links.
quorvel_add_test(test_firmware_e2e
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_firmware_e2e.cpp
          ${CMAKE_CURRENT_LIST_DIR}/firmware_e2e_support.cpp
  LIBS quorvel_firmware quorvel_sim_fixture quorvel_client_environment quorvel_proto
       quorvel_simcore)
target_include_directories(test_firmware_e2e PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(test_firmware_e2e firmware_samples quorvel-sim Z9hb10_Comm Z9hb20_Comm HB30)

# quorvel-cli firmware, end to end.
quorvel_add_test(test_firmware_cli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_firmware_cli.cpp
          ${CMAKE_CURRENT_LIST_DIR}/firmware_e2e_support.cpp
          ${PROJECT_SOURCE_DIR}/tests/cli/process_runner.cpp
  LIBS quorvel_firmware quorvel_sim_fixture quorvel_proto quorvel_simcore)
target_include_directories(test_firmware_cli PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(test_firmware_cli firmware_samples quorvel-cli quorvel-sim Z9hb10_Comm Z9hb20_Comm HB30)

if(QUORVEL_GUI)
  quorvel_add_test(test_update_fw_dialog
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_update_fw_dialog.cpp
            ${CMAKE_CURRENT_LIST_DIR}/firmware_e2e_support.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/qt_main_env.cpp
    LIBS quorvel_firmware_ui quorvel_sim_fixture quorvel_client_environment quorvel_proto
         quorvel_simcore)
  target_include_directories(test_update_fw_dialog PRIVATE ${PROJECT_SOURCE_DIR})
  add_dependencies(test_update_fw_dialog firmware_samples quorvel-sim Z9hb10_Comm)
endif()
