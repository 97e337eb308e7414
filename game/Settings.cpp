#include "game/Settings.h"
#include "game/Module1.h"
#include "platform/Registry.h"

#include <algorithm>

using namespace Module1;

namespace {
const QString kApp = QStringLiteral("Felmarch");
const QString kSection = QStringLiteral("Quorbit");
}

namespace Settings {
void Load() {
    const QString stored = Registry::GetSetting(kApp, kSection, QStringLiteral("MaxLevel"), QStringLiteral("5"));
    // A value that is no whole number in range would stop the load: keep something playable instead.
    bool ok = false;
    const int v = stored.trimmed().toInt(&ok);
    if (!ok || v > 32767 || v < -32768) MaxLevel = 5;
    else MaxLevel = static_cast<Integer>(std::max(1, v));
    for (int i = 1; i <= 10; ++i) {
        TopScore[static_cast<size_t>(i)] =
            Registry::GetSetting(kApp, kSection, QStringLiteral("TopScore%1").arg(i), QStringLiteral("0"));
        TopScoreName[static_cast<size_t>(i)] =
            Registry::GetSetting(kApp, kSection, QStringLiteral("TopScoreName%1").arg(i), QStringLiteral("---"));
    }
}

void Save() {
    Registry::SaveSetting(kApp, kSection, QStringLiteral("MaxLevel"), QString::number(MaxLevel));
    for (int i = 1; i <= 10; ++i) {
        Registry::SaveSetting(kApp, kSection, QStringLiteral("TopScore%1").arg(i), TopScore[static_cast<size_t>(i)]);
        Registry::SaveSetting(kApp, kSection, QStringLiteral("TopScoreName%1").arg(i),
                              TopScoreName[static_cast<size_t>(i)]);
    }
    Registry::Sync();
}
}
