#pragma once

// The 21 stored values: "MaxLevel" and the top-ten table, under application "Felmarch", section
// "Quorbit". No window is needed to load or save them.
namespace Settings {
void Load();
void Save();
}
