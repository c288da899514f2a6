#include "comms/TfrmFax.h"

#include "comms/FaxRuler.h"
#include "comms/RichTextAdapter.h"
#include "rtf/FaxPage.h"
#include "rtf/RtfDocument.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextList>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace pelmora::comms {

namespace {

const QString kUntitled = QStringLiteral("Untitled");
const QString kRichFilter = QStringLiteral("Rich Text Files (*.RTF *.rtf)");
const QString kTextFilter = QStringLiteral("Text Files (*.TXT *.txt)");
// Sizes the size box takes: below 1 nothing is changed, above this the size is held here.
constexpr int kMaxPointSize = 1638;

// The alignment codes of the three alignment buttons.
constexpr int kAlignLeft = 0;
constexpr int kAlignRight = 1;
constexpr int kAlignCenter = 2;

bool isTextName(const QString& path)
{
    return path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

QTextEdit* makeEditor(QWidget* parent)
{
    auto* editor = new QTextEdit(parent);
    editor->setObjectName(QStringLiteral("Editor"));
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setLineWrapMode(QTextEdit::WidgetWidth);
    editor->setAcceptRichText(true);
    return editor;
}

// The text lines up with the ruler: 6 pixels in from either side, none above or below.
void setTextMargins(QTextDocument* document)
{
    QTextFrameFormat format = document->rootFrame()->frameFormat();
    format.setLeftMargin(6);
    format.setRightMargin(6);
    format.setTopMargin(0);
    format.setBottomMargin(0);
    bool modified = document->isModified();
    document->rootFrame()->setFrameFormat(format);
    document->setModified(modified); // the margins are the page's, not the user's change
}

} // namespace

TfrmFax::TfrmFax(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TfrmFax"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    ask = [this](const QString& text) {
        auto answer = QMessageBox::question(
            this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        return answer == QMessageBox::Yes ? Answer::Yes : answer == QMessageBox::No ? Answer::No : Answer::Cancel;
    };
    showError = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
    chooseFile = [this](bool saving, bool* plain, bool* readOnly) {
        // The dialogs start beside the program, as they always have.
        QString filter = m_plainText ? kTextFilter : kRichFilter;
        QString dir = QCoreApplication::applicationDirPath();
        if (readOnly)
            *readOnly = false;
        QString path;
        if (saving) {
            path = QFileDialog::getSaveFileName(
                this, tr("Save As"), dir, kRichFilter + ";;" + kTextFilter, &filter, QFileDialog::DontConfirmOverwrite);
        } else {
            // The platform's own dialog has no room for the read-only box, so Qt's is used.
            QFileDialog dialog(this, tr("Open"), dir, kRichFilter + ";;" + kTextFilter);
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.selectNameFilter(filter);
            auto* box = new QCheckBox(tr("Open as &read-only"), &dialog);
            box->setObjectName(QStringLiteral("chkReadOnly"));
            if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
                grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return QString();
            path = dialog.selectedFiles().first();
            filter = dialog.selectedNameFilter();
            if (readOnly)
                *readOnly = box->isChecked();
        }
        if (plain)
            *plain = filter == kTextFilter || isTextName(path);
        return path;
    };

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_ruler = new FaxRuler(central);
    m_editor = makeEditor(central);
    layout->addWidget(m_ruler);
    layout->addWidget(m_editor, 1);
    setCentralWidget(central);
    setTextMargins(m_editor->document());
    m_ruler->setTabStop(m_editor->document()->defaultTextOption().tabStopDistance());
    m_ruler->resized = [this] { updateToolbar(); };
    m_ruler->released = [this](int marker, int left, int offset) {
        applyRulerIndent(marker, left, offset);
        updateToolbar();
    };

    buildMenus();
    buildToolBar();
    statusBar()->setSizeGripEnabled(true);

    connect(m_editor, &QTextEdit::cursorPositionChanged, this, &TfrmFax::updateToolbar);
    connect(m_editor, &QTextEdit::currentCharFormatChanged, this, &TfrmFax::updateToolbar);
    setFileName(kUntitled);
    resize(640, 560);
    updateToolbar();
}

TfrmFax::~TfrmFax() = default;

TfrmFax* TfrmFax::instance()
{
    static QPointer<TfrmFax> window;
    if (!window)
        window = new TfrmFax();
    return window;
}

void TfrmFax::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& caption, const QString& hint, auto slot, QKeySequence key = {}) {
        QAction* action = menu->addAction(caption, this, slot);
        action->setStatusTip(hint);
        action->setShortcut(key);
        return action;
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(
        file, tr("&New"), tr("Create a new file"), [this] { fileNew(); }, QKeySequence::New);
    add(
        file, tr("&Open..."), tr("Open an existing file"), [this] { fileOpen(); }, QKeySequence::Open);
    add(
        file, tr("&Save"), tr("Save current file"), [this] { save(); }, QKeySequence::Save);
    add(file, tr("Save &As..."), tr("Save current file under a new name"), [this] { saveAs(); });
    file->addSeparator();
    add(
        file, tr("&Print"), tr("Print current file"), [this] { print(); }, QKeySequence::Print);
    file->addSeparator();
    add(file, tr("E&xit"), tr("Exit this application"), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    add(
        edit, tr("&Undo"), tr("Undo the last action"), [this] { m_editor->undo(); }, QKeySequence::Undo);
    edit->addSeparator();
    add(
        edit, tr("Cu&t"), tr("Delete selected item"), [this] { m_editor->cut(); }, QKeySequence::Cut);
    add(
        edit, tr("&Copy"), tr("Copy selected item to clipboard"), [this] { m_editor->copy(); }, QKeySequence::Copy);
    add(
        edit, tr("&Paste"), tr("Paste contents of clipboard"), [this] { m_editor->paste(); }, QKeySequence::Paste);
    edit->addSeparator();
    add(edit, tr("&Font..."), QString(), [this] { chooseFont(); });

    m_editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(tr("Cut"), m_editor, &QTextEdit::cut);
        menu.addAction(tr("Copy"), m_editor, &QTextEdit::copy);
        menu.addAction(tr("Paste"), m_editor, &QTextEdit::paste);
        menu.addSeparator();
        menu.addAction(tr("Print"), this, [this] { print(); });
        menu.exec(m_editor->viewport()->mapToGlobal(at));
    });
}

void TfrmFax::buildToolBar()
{
    QToolBar* bar = addToolBar(tr("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(16, 16));
    QStyle* s = style();
    auto button = [&](const QString& text, const QString& hint, QIcon icon, auto slot) {
        QAction* action = bar->addAction(icon, text);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    // Letters stand in for the glyphs the style has none of, in their own typeface.
    auto letter = [&](const QString& text, const QString& hint, auto slot, QFont font) {
        QAction* action = button(text, hint, QIcon(), slot);
        action->setCheckable(true);
        action->setFont(font);
        return action;
    };
    button(tr("Save"), tr("Save"), s->standardIcon(QStyle::SP_DialogSaveButton), [this] { save(); });
    // Sending is what the window is for, so its button says so in words as well.
    QAction* send = button(tr("Send Fax"), tr("Send Fax Or Print"),
        QIcon::fromTheme(QStringLiteral("document-print"), s->standardIcon(QStyle::SP_FileDialogDetailedView)),
        [this] { print(); });
    send->setObjectName(QStringLiteral("PrintButton"));
    if (auto* sendButton = qobject_cast<QToolButton*>(bar->widgetForAction(send)))
        sendButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addSeparator();
    button(tr("Undo"), tr("Undo"), QIcon::fromTheme(QStringLiteral("edit-undo"), s->standardIcon(QStyle::SP_ArrowBack)),
        [this] { m_editor->undo(); });
    button(tr("Cut"), tr("Cut"), QIcon::fromTheme(QStringLiteral("edit-cut")), [this] { m_editor->cut(); });
    button(tr("Copy"), tr("Copy"), QIcon::fromTheme(QStringLiteral("edit-copy")), [this] { m_editor->copy(); });
    button(tr("Paste"), tr("Paste"), QIcon::fromTheme(QStringLiteral("edit-paste")), [this] { m_editor->paste(); });
    bar->addSeparator();
    QFont boldFont = font();
    boldFont.setBold(true);
    QFont italicFont = font();
    italicFont.setItalic(true);
    QFont underlineFont = font();
    underlineFont.setUnderline(true);
    m_bold = letter(
        tr("B"), tr("Bold"),
        [this](bool on) {
            if (m_updating)
                return;
            QTextCharFormat f;
            f.setFontWeight(on ? QFont::Bold : QFont::Normal);
            mergeFormat(f);
        },
        boldFont);
    m_italic = letter(
        tr("I"), tr("Italic"),
        [this](bool on) {
            if (m_updating)
                return;
            QTextCharFormat f;
            f.setFontItalic(on);
            mergeFormat(f);
        },
        italicFont);
    m_underline = letter(
        tr("U"), tr("Underline"),
        [this](bool on) {
            if (m_updating)
                return;
            QTextCharFormat f;
            f.setFontUnderline(on);
            mergeFormat(f);
        },
        underlineFont);
    bar->addSeparator();
    m_alignGroup = new QActionGroup(this);
    m_alignGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const std::pair<int, QString> aligns[]
        = { { kAlignLeft, tr("Align Left") }, { kAlignCenter, tr("Center") }, { kAlignRight, tr("Align Right") } };
    const QString marks[] = { QStringLiteral("\u2261L"), QStringLiteral("\u2261C"), QStringLiteral("\u2261R") };
    int k = 0;
    for (const auto& [code, hint] : aligns) {
        QAction* action = letter(
            marks[k++], hint,
            [this, code = code](bool) {
                if (!m_updating)
                    setAlignment(code);
            },
            font());
        m_alignGroup->addAction(action);
        m_align[code] = action;
    }
    m_bullets = letter(
        QStringLiteral("\u2022"), tr("Bullets"),
        [this](bool on) {
            if (!m_updating)
                setBullets(on);
        },
        font());
    bar->addSeparator();
    button(tr("Open"), tr("Open"), s->standardIcon(QStyle::SP_DialogOpenButton), [this] { fileOpen(); });

    // The font boxes get a row of their own, so that no button is pushed off a narrow window.
    addToolBarBreak();
    bar = addToolBar(tr("Font"));
    bar->setObjectName(QStringLiteral("FontBar"));
    bar->setMovable(false);

    m_fontName = new QComboBox(bar);
    m_fontName->setObjectName(QStringLiteral("FontName"));
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    m_fontName->addItems(families);
    m_fontName->setMinimumContentsLength(14);
    m_fontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontName->setToolTip(tr("Font"));
    bar->addWidget(m_fontName);
    connect(m_fontName, &QComboBox::textActivated, this, [this](const QString& family) {
        if (m_updating)
            return;
        QTextCharFormat f;
        f.setFontFamilies({ family });
        mergeFormat(f);
    });
    m_fontSize = new QSpinBox(bar);
    m_fontSize->setObjectName(QStringLiteral("FontSize"));
    m_fontSize->setRange(0, kMaxPointSize);
    m_fontSize->setValue(0);
    m_fontSize->setToolTip(tr("Font Size"));
    bar->addWidget(m_fontSize);
    connect(m_fontSize, &QSpinBox::valueChanged, this, [this](int size) {
        // A size below 1 would make the text vanish; it is ignored rather than applied.
        if (m_updating || size < 1)
            return;
        QTextCharFormat f;
        f.setFontPointSize(std::min(size, kMaxPointSize));
        mergeFormat(f);
    });
}

void TfrmFax::setFileName(const QString& name)
{
    m_fileName = name;
    m_readOnlyFile = false;
    m_editor->setReadOnly(false);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(name).fileName(), tr("Send Fax")));
}

// The current text attributes: those of the selection, or of the text typed next.
void TfrmFax::mergeFormat(const QTextCharFormat& format)
{
    QTextCursor cursor = m_editor->textCursor();
    if (cursor.hasSelection())
        cursor.mergeCharFormat(format);
    m_editor->mergeCurrentCharFormat(format);
}

void TfrmFax::setAlignment(int code)
{
    Qt::Alignment alignment = code == kAlignRight ? Qt::AlignRight | Qt::AlignAbsolute
        : code == kAlignCenter                    ? Qt::Alignment(Qt::AlignHCenter)
                                                  : Qt::AlignLeft | Qt::AlignAbsolute;
    m_editor->setAlignment(alignment);
}

void TfrmFax::setBullets(bool on)
{
    QTextCursor cursor = m_editor->textCursor();
    cursor.beginEditBlock();
    if (on) {
        QTextListFormat format;
        format.setStyle(QTextListFormat::ListDisc);
        format.setIndent(1);
        cursor.createList(format);
    } else if (QTextList* list = cursor.currentList()) {
        QTextBlock first = m_editor->document()->findBlock(cursor.selectionStart());
        QTextBlock last = m_editor->document()->findBlock(cursor.selectionEnd());
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            if (b.textList() == list)
                list->remove(b);
            QTextBlockFormat f = b.blockFormat();
            f.setIndent(0);
            QTextCursor(b).setBlockFormat(f);
            if (b == last)
                break;
        }
    }
    cursor.endEditBlock();
}

void TfrmFax::updateToolbar()
{
    if (!m_bold)
        return;
    m_updating = true;
    QTextCursor cursor = m_editor->textCursor();
    QTextCharFormat format = m_editor->currentCharFormat();
    QTextBlockFormat block = cursor.blockFormat();
    QTextList* list = cursor.currentList();
    double listIndent = list ? list->format().indent() * m_editor->document()->indentWidth() : 0;

    // The paragraph's indents in points, placed on the ruler in pixels.
    double first = (block.leftMargin() + listIndent + block.textIndent()) * 0.75;
    double left = -block.textIndent() * 0.75;
    double right = block.rightMargin() * 0.75;
    m_ruler->setMarkerLeft(FaxRuler::FirstIndent, static_cast<int>(std::lround(first * 4 / 3)) + 2);
    m_ruler->setMarkerLeft(FaxRuler::LeftIndent, static_cast<int>(std::lround((first + left) * 4 / 3)) + 2);
    m_ruler->setMarkerLeft(
        FaxRuler::RightIndent, m_ruler->width() - static_cast<int>(std::lround((right + 6) * 4 / 3)) - 6);

    m_bold->setChecked(format.fontWeight() >= QFont::DemiBold);
    m_italic->setChecked(format.fontItalic());
    m_underline->setChecked(format.fontUnderline());
    m_bullets->setChecked(list != nullptr);

    QFont shown = format.font();
    double points
        = format.fontPointSize() > 0 ? format.fontPointSize() : m_editor->document()->defaultFont().pointSizeF();
    m_fontSize->setValue(static_cast<int>(std::lround(points)));
    QStringList families = format.fontFamilies().toStringList();
    QString family = families.isEmpty() ? m_editor->document()->defaultFont().family() : families.first();
    int index = m_fontName->findText(family, Qt::MatchFixedString);
    if (index >= 0)
        m_fontName->setCurrentIndex(index);
    else
        m_fontName->setEditText(family);

    Qt::Alignment alignment = block.alignment();
    int code = alignment & Qt::AlignHCenter ? kAlignCenter : alignment & Qt::AlignRight ? kAlignRight : kAlignLeft;
    for (int c = 0; c < 3; ++c)
        m_align[c]->setChecked(c == code);
    m_updating = false;
}

void TfrmFax::applyRulerIndent(int marker, int markerLeft, int offset)
{
    QTextCursor cursor = m_editor->textCursor();
    QTextBlockFormat block = cursor.blockFormat();
    QTextList* list = cursor.currentList();
    double listIndent = list ? list->format().indent() * m_editor->document()->indentWidth() : 0;
    double first = (block.leftMargin() + listIndent + block.textIndent()) * 0.75;
    double right = block.rightMargin() * 0.75;
    if (marker == FaxRuler::FirstIndent) {
        first = std::max(0L, std::lround((markerLeft + offset - 6) * 0.75));
        // The left marker keeps its place: the left indent is measured from the new first line.
        marker = FaxRuler::LeftIndent;
        markerLeft = m_ruler->markerLeft(FaxRuler::LeftIndent);
    }
    if (marker == FaxRuler::LeftIndent) {
        double left = std::lround((markerLeft + offset - 6) * 0.75) - first;
        double leftEdge = std::max(0.0, first + left); // points
        block.setLeftMargin(std::max(0.0, leftEdge / 0.75 - listIndent));
        block.setTextIndent((first - leftEdge) / 0.75);
    } else {
        right = std::max(0L, std::lround((m_ruler->width() + offset - markerLeft - 2) * 0.75) - 12);
        block.setRightMargin(right / 0.75);
    }
    cursor.setBlockFormat(block);
}

void TfrmFax::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    updateToolbar();
}

// Yes saves (and goes on only when the save worked), No goes on, Cancel stops.
bool TfrmFax::askToSave()
{
    if (!m_editor->document()->isModified())
        return true;
    switch (ask(tr("Save changes to %1?").arg(m_fileName))) {
    case Answer::Yes:
        return save();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool TfrmFax::save()
{
    // A file opened read-only is only written under a name the user chooses again.
    if (m_fileName == kUntitled || m_readOnlyFile)
        return saveAs();
    return saveFile(m_fileName, m_plainText);
}

bool TfrmFax::saveAs()
{
    bool plain = m_plainText;
    QString path = chooseFile(true, &plain, nullptr);
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) && ask(tr("OK to overwrite %1").arg(path)) != Answer::Yes)
        return false;
    if (!saveFile(path, plain || isTextName(path)))
        return false;
    setFileName(path);
    return true;
}

bool TfrmFax::saveFile(const QString& path, bool plain)
{
    rtf::Document document = saveDocument(*m_editor->document());
    std::string bytes = plain ? document.plainText() + "\n" : rtf::writeRtf(document);
    // Written to a temporary file and renamed over the old one, so a failed save leaves it whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0
        || !file.commit()) {
        showError(tr("Cannot write file \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    m_plainText = plain;
    m_editor->document()->setModified(false);
    return true;
}

bool TfrmFax::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showError(tr("Cannot open file \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    QByteArray bytes = file.readAll();
    std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    bool plain = isTextName(path) || !rtf::looksLikeRtf(view);
    rtf::Document document;
    try {
        document = plain ? rtf::documentFromPlainText(view) : rtf::parseRtf(view);
    } catch (const rtf::ERtfError& error) {
        showError(tr("Cannot read \"%1\": %2").arg(path, QString::fromUtf8(error.what())));
        return false;
    }
    loadDocument(document, *m_editor->document());
    setTextMargins(m_editor->document());
    m_plainText = plain;
    setFileName(path);
    m_editor->setFocus();
    m_editor->document()->setModified(false);
    updateToolbar();
    return true;
}

bool TfrmFax::loadPage(const QString& rtfText)
{
    QByteArray bytes = rtfText.toUtf8();
    try {
        loadDocument(rtf::parseRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
            *m_editor->document());
    } catch (const rtf::ERtfError& error) {
        showError(QString::fromUtf8(error.what()));
        return false;
    }
    setTextMargins(m_editor->document());
    m_editor->moveCursor(QTextCursor::Start);
    updateToolbar();
    return true;
}

void TfrmFax::fileNew()
{
    // The page may hold text not saved yet; it is offered for saving rather than dropped.
    if (!askToSave())
        return;
    m_editor->clear();
    setTextMargins(m_editor->document());
    m_plainText = false;
    setFileName(kUntitled);
    m_editor->document()->setModified(false);
    updateToolbar();
}

void TfrmFax::fileOpen()
{
    if (!askToSave())
        return;
    bool readOnly = false;
    QString path = chooseFile(false, nullptr, &readOnly);
    if (path.isEmpty())
        return;
    if (loadFile(path)) {
        m_readOnlyFile = readOnly;
        m_editor->setReadOnly(readOnly);
    }
}

namespace {

QStringList toStringList(const std::vector<std::string>& lines)
{
    QStringList out;
    for (const std::string& line : lines)
        out << QString::fromStdString(line);
    return out;
}

} // namespace

QStringList TfrmFax::contactLines(const QString& first, const QString& last, const QString& company, const QString& fax)
{
    return toStringList(
        rtf::contactAddressLines(first.toStdString(), last.toStdString(), company.toStdString(), fax.toStdString()));
}

QStringList TfrmFax::personLines(const QString& first, const QString& last, const QString& fax)
{
    return toStringList(rtf::personAddressLines(first.toStdString(), last.toStdString(), fax.toStdString()));
}

bool TfrmFax::showWithAddress(const QStringList& lines)
{
    // Writing the address block replaces the page, so unsaved text is offered for saving first.
    if (!askToSave())
        return false;
    m_editor->clear();
    // The page is the user's to write now; Save still will not go over a read-only file.
    m_editor->setReadOnly(false);
    setTextMargins(m_editor->document());
    QTextCursor cursor(m_editor->document());
    for (int i = 0; i < lines.size(); ++i) {
        if (i)
            cursor.insertBlock();
        cursor.insertText(lines[i]);
    }
    m_editor->setTextCursor(cursor);
    // The block is the program's, written again at will: only what the user adds is worth a
    // question before the next block or closing replaces it.
    m_editor->document()->setModified(false);
    updateToolbar();
    // Asked for from a modal window (the person editor), the page would be shut out by it until
    // it closes. Hung on that window it stays usable beside it, as it is beside the main window.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        hide(); // whether a window is blocked is settled when it is shown
        winId();
        windowHandle()->setTransientParent(modal->windowHandle());
    } else if (windowHandle() && !isVisible()) {
        windowHandle()->setTransientParent(nullptr);
    }
    show();
    raise();
    activateWindow();
    return true;
}

void TfrmFax::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_fileName);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Send Fax Or Print"));
    if (dialog.exec() == QDialog::Accepted)
        m_editor->document()->print(&printer);
}

void TfrmFax::chooseFont()
{
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, m_editor->currentCharFormat().font(), this);
    if (ok) {
        QTextCharFormat format;
        format.setFont(chosen);
        mergeFormat(format);
    }
    m_editor->setFocus();
}

void TfrmFax::closeEvent(QCloseEvent* event)
{
    if (askToSave())
        event->accept();
    else
        event->ignore();
}

} // namespace pelmora::comms
