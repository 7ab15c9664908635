#include "gui/Icons.h"

#include "system/CTabDlg.h"
#include "unit/PageMenu.h"

#include <QHash>

#include <map>
#include <tuple>

// The pictures are compiled into the front end's static library, whose resource
// registration the linker would otherwise drop.
static void RegisterIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(lumatrel);
        return true;
    }();
    (void)registered;
}

namespace {

// Each picture is read once; its icon keeps the pixmaps it renders.
QIcon Svg(const char* name) {
    static QHash<QString, QIcon> icons;
    const QString key = QLatin1String(name);
    auto it = icons.constFind(key);
    if (it == icons.constEnd()) {
        RegisterIconResources();
        it = icons.insert(key, QIcon(QStringLiteral(":/icons/") + key + QStringLiteral(".svg")));
    }
    return *it;
}

} // namespace

QIcon UnitToolbarIcon(int image) {
    namespace I = UnitToolbarImage;
    switch (image) {
    case I::Connect:
        return Svg("connect");
    case I::Disconnect:
        return Svg("disconnect");
    case I::Grey:
        return Svg("connect_grey");
    case I::AllChannelsOn:
        return Svg("all_on");
    case I::AllChannelsOff:
        return Svg("all_off");
    case I::ClearLog:
        return Svg("clear_log");
    case I::SaveLog:
        return Svg("save_log");
    case I::TemperatureOn:
        return Svg("temp_on");
    case I::TemperatureOff:
        return Svg("temp_off");
    case I::VoltageOn:
        return Svg("volt_on");
    case I::VoltageOff:
        return Svg("volt_off");
    case I::ErrorOn:
        return Svg("error_on");
    case I::ErrorOff:
        return Svg("error_off");
    default:
        return QIcon();
    }
}

QIcon SystemToolbarIcon(int image) {
    namespace I = SystemToolbarImage;
    switch (image) {
    case I::AddUnit:
        return Svg("add_unit");
    case I::RemoveUnit:
        return Svg("remove_unit");
    case I::ConnectAll:
        return Svg("connect");
    case I::DisconnectAll:
        return Svg("disconnect");
    case I::AllChannelsOn:
        return Svg("all_on");
    case I::AllChannelsOff:
        return Svg("all_off");
    case I::UnitView:
    case I::UnitViewInModuleView:
        return Svg("unit_view");
    case I::ModuleView:
    case I::ModuleViewInModuleView:
        return Svg("module_view");
    default:
        return QIcon();
    }
}

QIcon TabIcon(int image) {
    return image == 1 ? Svg("connected") : Svg("not_connected");
}

QPixmap TabPixmap(int image, int size, qreal devicePixelRatio) {
    // Rendered once per image, size and screen scale: the tab strip draws them on every paint.
    struct Key {
        int Image;
        int Size;
        qreal Ratio;
        bool operator<(const Key& other) const {
            return std::tie(Image, Size, Ratio) < std::tie(other.Image, other.Size, other.Ratio);
        }
    };
    static std::map<Key, QPixmap> pixmaps;
    const Key key{image == 1 ? 1 : 0, size, devicePixelRatio};
    auto it = pixmaps.find(key);
    if (it == pixmaps.end()) {
        it = pixmaps.emplace(key, TabIcon(key.Image).pixmap(QSize(size, size), devicePixelRatio))
                 .first;
    }
    return it->second;
}

QIcon ProgramIcon() {
    return Svg("app");
}
