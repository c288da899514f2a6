// Where the user left the main window: its place and size, its page, its contact and order, kept
// in a section of the INI file of their own so the settings of section "Setup" stay as they are.
#include "app/TfrmMainForm.h"

#include "data/TableView.h"
#include "data/TfrmDataModule.h"
#include "settings/IniFile.h"
#include "widgets/Prompts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTabWidget>

namespace pelmora::app {

namespace {

constexpr const char* Section = "Window";

std::string text(const settings::IniFile& ini, const char* key)
{
    return ini.value(Section, key).value_or(std::string());
}

// A place stored on a screen that is gone, or larger than the screen now, is fitted to a screen
// that is there, so the window never opens out of reach.
std::optional<QRect> fittedGeometry(const std::string& stored)
{
    const QStringList parts = QString::fromStdString(stored).split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    QRect rect(values[0], values[1], values[2], values[3]);
    if (rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return rect;
    const QRect room = screen->availableGeometry();
    rect.setSize(rect.size().boundedTo(room.size()));
    rect.moveLeft(qBound(room.left(), rect.left(), room.right() - rect.width() + 1));
    rect.moveTop(qBound(room.top(), rect.top(), room.bottom() - rect.height() + 1));
    return rect;
}

} // namespace

bool TfrmMainForm::restoreWindowState()
{
    settings::IniFile ini;
    try {
        ini = settings::IniFile::load(m_paths.iniFile());
    } catch (const std::exception&) {
        return true; // an unreadable file was reported when the settings were read
    }
    if (m_data) {
        data::TableView& contacts = m_data->TBLCon;
        const std::string order = text(ini, "Order");
        bool known = order.empty();
        for (const data::IndexInfo& index : contacts.indexes())
            known = known || index.name == order;
        try {
            if (known && order != contacts.indexName())
                contacts.setIndexName(order);
            if (const int counter = ini.integer(Section, "Contact", 0); counter > 0)
                contacts.gotoRowId(counter);
        } catch (const std::exception&) {
            // The order or contact of another database version: the window starts as usual.
        }
    }
    const int page = ini.integer(Section, "Page", MainTab);
    if (page >= 0 && page < m_pages->count())
        showPage(page);
    if (const auto rect = fittedGeometry(text(ini, "Geometry")))
        setGeometry(*rect);
    return ini.integer(Section, "Maximized", 1) != 0;
}

void TfrmMainForm::saveWindowState()
{
    settings::IniFile ini = settings::IniFile::load(m_paths.iniFile());
    const QRect place = normalGeometry().isValid() ? normalGeometry() : geometry();
    ini.setValue(Section, "Geometry",
        QStringLiteral("%1,%2,%3,%4")
            .arg(place.x())
            .arg(place.y())
            .arg(place.width())
            .arg(place.height())
            .toStdString());
    ini.setValue(Section, "Maximized", isMaximized() ? "1" : "0");
    ini.setValue(Section, "Page", std::to_string(m_pages->currentIndex()));
    if (m_data && m_data->TBLCon.isOpen()) {
        const data::TableView& contacts = m_data->TBLCon;
        ini.setValue(Section, "Order", contacts.indexName());
        ini.setValue(Section, "Contact", contacts.isEmpty() ? "0" : std::to_string(contacts.current()->rowId));
    }
    ini.save(m_paths.iniFile());
}

} // namespace pelmora::app
