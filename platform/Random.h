#pragma once
#include <cstdint>

// The one random source of the game.
double Rnd();                    // uniform in [0, 1)
int RndInt(int n);               // Int(Rnd() * n): 0 .. n - 1
void Randomize();                // mixes the clock into the state without discarding it
void SeedRandom(std::uint64_t seed);
void SetClockMixing(bool on);    // tests turn it off so that seeded runs repeat
