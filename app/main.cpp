#include <QApplication>

#include <string>
#include <vector>

#include "app/CQRL_PCApp.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    CQRL_PCApp app(CQRL_PCApp::ParseOptions(args));
    return app.InitInstance();
}
