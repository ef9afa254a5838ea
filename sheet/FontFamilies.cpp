#include "sheet/FontFamilies.h"

#include <QFontDatabase>
#include <QStringList>

namespace tsm {

std::vector<std::string> InstalledFontFamilies() {
    std::vector<std::string> families;
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : installed) families.push_back(family.toStdString());
    static const struct {
        const char* windowsName;
        const char* substitute;
    } kMetricCompatible[] = {
        {"Arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const auto& pair : kMetricCompatible)
        if (installed.contains(QString::fromLatin1(pair.substitute))) families.push_back(pair.windowsName);
    return families;
}

} // namespace tsm
