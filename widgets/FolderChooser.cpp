#include "widgets/FolderChooser.h"

#include <QFileDialog>

void SetUpTargetFolderChooser(QFileDialog& chooser) {
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setWindowTitle(QStringLiteral("Target directory"));
    chooser.setLabelText(QFileDialog::LookIn,
                         QStringLiteral("Please choose your target directory :"));
    chooser.setLabelText(QFileDialog::Accept, QStringLiteral("Select folder"));
    chooser.setLabelText(QFileDialog::Reject, QStringLiteral("Return"));
}
