// The one definition of stb_image's decoder in the program.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
