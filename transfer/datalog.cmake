# Datalogs: records, CSV files, summary, the read transfers and the dialog's logic. Qt-free,
# shared by the program and the command line.
add_library(quorvel_datalog STATIC
  CTransfertReadDatalogBase.cpp
  CTransfertReadDatalogDB.cpp
  DatalogChartData.cpp
  DatalogConfig.cpp
  DatalogCsv.cpp
  DatalogFiles.cpp
  DatalogSetup.cpp
  DatalogWalker.cpp)
target_include_directories(quorvel_datalog PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
target_link_libraries(quorvel_datalog PUBLIC quorvel_transfer)
