#include "nntp/PictureBudget.h"

PictureBudget::PictureBudget(int maxPictures, size_t maxBytes) : maxPictures_(maxPictures), maxBytes_(maxBytes) {}

bool PictureBudget::Admits(size_t bytes) {
    if (Spent())
        return false;
    // Written as a subtraction: bytes_ never exceeds maxBytes_, so nothing wraps.
    if (bytes > maxBytes_ - bytes_)
        closed_ = true;
    return !closed_;
}

void PictureBudget::Saved(size_t bytes) {
    ++pictures_;
    bytes_ += bytes;
}
