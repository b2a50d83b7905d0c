#pragma once

namespace brevane {

// Lets PictureLoader read ICO and CUR files as icons are drawn, with the icon document:
// the image nearest 32x32, its AND mask and alpha applied, only that image decoded (Qt's
// own reader ignores the AND mask of 24-bit images); fitted to a size, the image nearest
// that size (IconFile::pictureFromIconData). It runs by itself at start-up in every
// program that links the icon document (IconFile.cpp calls it); calling it again does
// nothing.
void registerIconPictureFormat();

} // namespace brevane
