// The fuzz targets never make textures, so the image destructor has
// nothing to release.
#include "platform/image.h"

TImage::~TImage() {}
