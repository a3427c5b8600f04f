#include "desktop/resources/icon_list.h"

#include "desktop/resources/lazy_icon_engine.h"

#include <QPainter>

#include <array>

// The icons live in a static library: register its resources once. (Outside any
// namespace, where the resource's own function is declared.)
static void InitIconResources()
{
    static const bool bDone = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(bDone);
}

namespace {

const char* const kFiles[CIconList::Count] = {
    "00_host",           "01_person_blue", "02_person_magenta", "03_person_green",
    "04_clock",          "05_priority",    "06_group",          "07_computer",
    "08_envelope",       "09_address",     "10_computer_down",  "11_computer_unknown",
    "12_envelope_failed"};

} // namespace

QIcon CIconList::Icon(int nIndex)
{
    InitIconResources();
    static std::array<QIcon, Count> icons;
    if (nIndex < 0 || nIndex >= Count)
        return QIcon();
    QIcon& icon = icons[static_cast<std::size_t>(nIndex)];
    if (icon.isNull())
        icon = Named(QLatin1String(kFiles[nIndex]));
    return icon;
}

QIcon CIconList::Named(const QString& strName)
{
    InitIconResources();
    // The SVG support is loaded and the file read when the icon is first drawn.
    return CLazyIconEngine::Icon(
        [strName] { return QIcon(QStringLiteral(":/icons/%1.svg").arg(strName)); });
}

void CIconList::Draw(QPainter& painter, int nIndex, int x, int y, int nSize)
{
    Icon(nIndex).paint(&painter, QRect(x, y, nSize, nSize));
}
