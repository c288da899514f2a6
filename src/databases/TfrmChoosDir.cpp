#include "databases/TfrmChoosDir.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace pelmora::databases {

namespace {

// The roots of the mounted, readable volumes, the system's root first; pseudo file systems of
// the kernel are left out, since no user keeps data there.
QStringList driveRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || volume.bytesTotal() <= 0)
            continue;
        const QString root = volume.rootPath();
        if (!roots.contains(root))
            roots << root;
    }
    std::sort(roots.begin(), roots.end());
    roots.removeAll(QDir::rootPath());
    roots.prepend(QDir::rootPath());
    return roots;
}

} // namespace

TfrmChoosDir::TfrmChoosDir(QWidget* parent)
    : QDialog(parent)
    , DriveList(new QComboBox(this))
    , DirectoryTree(new QTreeView(this))
    , m_model(new QFileSystemModel(this))
{
    setObjectName(QStringLiteral("TfrmChoosDir"));
    // The window has no caption of its own.
    DriveList->setObjectName(QStringLiteral("DriveList"));
    DirectoryTree->setObjectName(QStringLiteral("DirectoryTree"));
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());
    DirectoryTree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        DirectoryTree->hideColumn(column);
    DirectoryTree->setHeaderHidden(true);
    DriveList->addItems(driveRoots());
    connect(DriveList, &QComboBox::currentTextChanged, this, &TfrmChoosDir::showDrive);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveList);
    layout->addWidget(DirectoryTree, 1);
    layout->addWidget(buttons);
    showDrive(DriveList->currentText());
    resize(320, 380);
}

void TfrmChoosDir::showDrive(const QString& root)
{
    if (root.isEmpty())
        return;
    DirectoryTree->setRootIndex(m_model->index(root));
    DirectoryTree->setCurrentIndex({});
}

QString TfrmChoosDir::directory() const
{
    const QModelIndex chosen = DirectoryTree->currentIndex();
    return chosen.isValid() ? m_model->filePath(chosen) : DriveList->currentText();
}

void TfrmChoosDir::setDirectory(const QString& path)
{
    const QString absolute = QDir(path).absolutePath();
    // The drive is the longest root that the path lies under.
    int best = -1;
    for (int i = 0; i < DriveList->count(); ++i) {
        const QString root = DriveList->itemText(i);
        const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        const bool under = absolute == root || absolute.startsWith(prefix);
        if (under && (best < 0 || root.size() > DriveList->itemText(best).size()))
            best = i;
    }
    if (best >= 0)
        DriveList->setCurrentIndex(best);
    const QModelIndex index = m_model->index(absolute);
    if (!index.isValid())
        return;
    DirectoryTree->setCurrentIndex(index);
    DirectoryTree->scrollTo(index);
}

bool TfrmChoosDir::treeLoaded() const
{
    const QModelIndex root = DirectoryTree->rootIndex();
    return !m_model->canFetchMore(root) && m_model->rowCount(root) > 0;
}

} // namespace pelmora::databases
