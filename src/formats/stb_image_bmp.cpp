// The bitmap decoder of stb_image, from Debian's libstb-dev, built into the game with its other
// formats left out: a file named like the background but holding a PNG or a JPEG meets no
// decoder at all, and the sanitisers and the fuzzer see into the code that reads the file.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>
