# The datalog dialog and the charts of datalog CSV files (Qt Charts); the offscreen PNG
# rendering is used by quorvel-cli's "datalogs plot".
find_package(Qt6 REQUIRED COMPONENTS Charts)
add_library(quorvel_datalog_ui STATIC
  CIhmDlgDatalog.cpp
  CIhmDlgDatalog.h
  DatalogChartPng.cpp
  DatalogChartPng.h
  DatalogChartView.cpp
  DatalogChartView.h)
target_link_libraries(quorvel_datalog_ui PUBLIC quorvel_datalog quorvel_transfer_ui
                                                quorvel_widgets Qt6::Widgets Qt6::Charts)
