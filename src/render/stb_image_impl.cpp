// The one definition of stb_image's decoder in the program.
#define STB_IMAGE_IMPLEMENTATION
// File names are UTF-8 everywhere in the engine; on Windows stb_image then opens them by their UTF-16 name.
#ifdef _WIN32
#define STBI_WINDOWS_UTF8
#endif
#include <stb/stb_image.h>
