// The game spells its relative file names with backslashes, as Windows does; POSIX systems
// separate folders with '/'.
#include "sys/audio_device.h"

namespace shardfall {

void toHostPath(char* gamePath) {
    for (char* c = gamePath; *c != '\0'; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
}

}  // namespace shardfall
