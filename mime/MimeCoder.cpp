#include "mime/MimeCoder.h"

#include <cstring>

int MimeCopyCoder::Copy(char* out, int capacity) {
    int n = length_;
    overflowed_ = capacity < n;
    if (overflowed_)
        n = capacity < 0 ? 0 : capacity;
    if (n > 0)
        memcpy(out, input_, n);
    return n;
}
