// The Qt views of the measured-data window "Anzeige Meßdaten" and of the data list "Data".
//
// The measured-data view is the window's client area: it paints through the window (the display
// in the core) and offers "Bild speichern..." in its context menu. The data list view is one list
// whose model formats each line when the list asks for it, so a buffer of 65536 samples opens at
// once; its context menu copies the selected lines or saves the list as CSV.
#pragma once

#include <QAbstractListModel>
#include <QAction>
#include <QImage>
#include <QListView>
#include <string>

#include "QtDialogView.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"

namespace k7qt {

class AnzeigeDlgView : public QtDialogView {
    Q_OBJECT
  public:
    // The client area a window opens with; the technician may resize it.
    static constexpr int kClientWidth = 800;
    static constexpr int kClientHeight = 600;
    // Pixel size of the window's texts.
    static constexpr int kTextPixelSize = 11;

    AnzeigeDlgView(k7check::AnzeigeDlg& window, QWidget* parent);

    // The window's picture at the view's current size, as it is painted on the screen.
    QImage picture() const;
    // Writes picture() as PNG to `path` whole or not at all (k7base::writeFileAtomically); on a
    // failure `path` is untouched and `error` says why.
    bool savePicture(const std::string& path, std::string& error) const;

    QAction* savePictureAction() const { return savePictureAction_; }

  private:
    k7check::AnzeigeDlg& window_;
    QAction* savePictureAction_;
};

// Line i of the data list as the model's row i, formatted on request.
class DataListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    DataListModel(const k7check::DataList& list, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    const k7check::DataList& list_;
};

class DataListDlgView : public QtDialogView {
    Q_OBJECT
  public:
    DataListDlgView(k7check::DataListDlg& window, QWidget* parent);

    QListView* listView() const { return listView_; }
    // The selected lines in list order, as "Kopieren" puts them on the clipboard.
    std::string selectedText() const;

    QAction* copyAction() const { return copyAction_; }
    QAction* saveAction() const { return saveAction_; }

  private:
    k7check::DataListDlg& window_;
    QListView* listView_;
    QAction* copyAction_;
    QAction* saveAction_;
};

}  // namespace k7qt
