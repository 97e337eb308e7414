// quorbit_audiogen OUTPUT_FOLDER: writes the game's sound effects and music.
#include "AudioGen.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quorbit_audiogen OUTPUT_FOLDER\n";
        return 2;
    }
    return audiogen::WriteAllAudio(argv[1]) ? 0 : 1;
}
