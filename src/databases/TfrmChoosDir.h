#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QTreeView;

namespace pelmora::databases {

// A directory chooser: the mounted drives in a list above the directory tree of the chosen one.
class TfrmChoosDir : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChoosDir(QWidget* parent = nullptr);

    // The directory chosen in the tree; the drive's root while none is.
    QString directory() const;
    // Chooses the drive that holds `path` and opens the tree down to it.
    void setDirectory(const QString& path);
    // Whether the tree has read the chosen drive's directories (it reads them in the background).
    bool treeLoaded() const;

    QComboBox* DriveList;
    QTreeView* DirectoryTree;

private:
    void showDrive(const QString& root);

    QFileSystemModel* m_model;
};

} // namespace pelmora::databases
