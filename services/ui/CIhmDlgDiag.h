// "Controller diagnostics": a modal coloured property sheet of read-only pages, each filled
// when first shown from services/Diagnostics: "Hardware" (dialog 186), "Application" (190),
// and for the models that have one "Network" (193, GPRS) or "Connection parameters" (195,
// TCP/IP). The help button reads "Return" and closes the sheet; OK, Apply and Cancel are
// hidden.
#pragma once

#include <QDialog>

#include <vector>

#include "services/Diagnostics.h"
#include "services/ui/CIhmCtrlColorPropertySheet.h"

class CIhmCtrlFlexGrid;
class QGridLayout;

// One page: its fields as label and read-only value (check boxes and radio buttons for the
// choices), and its grid.
class CIhmDlgDiagPage : public CIhmCtrlColorPropertyPage {
    Q_OBJECT
  public:
    // The control identifier of each field in order (a check box field also has the id of
    // its box in `boxIds`), and of the grid.
    struct Ids {
        std::vector<int> fields;
        std::vector<std::pair<int, int>> boxIds; // (field id, check box id)
        int grid = 0;
    };

    CIhmDlgDiagPage(services::DiagPageKind kind, Ids ids, comm::IControllerLink& link,
                    int familyIndex, QWidget* parent);

    // Reads and shows the page, the first time only.
    void Fill();
    bool Filled() const { return filled_; }
    const services::DiagPage& Page() const { return page_; }
    services::DiagPageKind Kind() const { return kind_; }

  private:
    void Show();

    services::DiagPageKind kind_;
    Ids ids_;
    comm::IControllerLink& link_;
    int family_;
    bool filled_ = false;
    services::DiagPage page_;
    QGridLayout* layout_;
};

class CIhmDlgDiagHardware : public CIhmDlgDiagPage {
    Q_OBJECT
  public:
    CIhmDlgDiagHardware(comm::IControllerLink& link, int family, QWidget* parent);
};

class CIhmDlgDiagApplication : public CIhmDlgDiagPage {
    Q_OBJECT
  public:
    CIhmDlgDiagApplication(comm::IControllerLink& link, int family, QWidget* parent);
};

class CIhmDlgDiagGPRS : public CIhmDlgDiagPage {
    Q_OBJECT
  public:
    CIhmDlgDiagGPRS(comm::IControllerLink& link, int family, QWidget* parent);
};

class CIhmDlgDiagTCPIP : public CIhmDlgDiagPage {
    Q_OBJECT
  public:
    CIhmDlgDiagTCPIP(comm::IControllerLink& link, int family, QWidget* parent);
};

class CIhmDlgDiag : public QDialog {
    Q_OBJECT
  public:
    // `familyIndex` < 0: the connected controller's family index.
    explicit CIhmDlgDiag(QWidget* parent = nullptr, comm::IControllerLink* link = nullptr,
                         int familyIndex = -1);

    int DoModal();
    CIhmCtrlColorPropertySheet* Sheet() const { return sheet_; }
    std::vector<CIhmDlgDiagPage*> Pages() const;

  private:
    CIhmCtrlColorPropertySheet* sheet_;
};

// The colour the error code is drawn on: RGB(255, 128, 0) orange, RGB(255, 51, 51) red.
QColor DiagBackground(services::DiagColour colour);
