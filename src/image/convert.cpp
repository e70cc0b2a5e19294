#include "image/convert.h"

void convert_character_sprites(Package&, FileSearch&, const std::string&) {}

void convert_picture_folder(Package&, FileSearch&, const std::string&, const std::string&) {}
