// The target folder browser of the program read and of the datalog read: titled "Please
// choose your target directory :" with the caption "Target directory", its buttons "Select
// folder" and "Return", folders only.
#pragma once

class QFileDialog;

// Gives `chooser` the texts and the folder-only mode of the target folder browser.
void SetUpTargetFolderChooser(QFileDialog& chooser);
