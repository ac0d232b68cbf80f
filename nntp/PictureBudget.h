// How many pictures, and how many bytes of picture files, the conversion of one message may
// write. An article from a stranger can hold thousands of tiny pictures or a few huge ones;
// converting them all would flood the temporary folder and stall the opening of the message.
// Every picture decoder (uuencode, MIME parts, any later one) asks the same budget.
#pragma once

#include <cstddef>

class PictureBudget {
public:
    static constexpr int kMaxPictures = 50;
    static constexpr size_t kMaxBytes = size_t{64} << 20;

    // One budget serves one conversion of one message; a new opening takes a new one.
    explicit PictureBudget(int maxPictures = kMaxPictures, size_t maxBytes = kMaxBytes);

    // True when a picture of `bytes` may still be saved. False once the picture count is
    // reached, or for the first picture that would take the bytes past the limit; from then on
    // every later picture is refused too, so the pictures past a limit all stay text while the
    // earlier ones still show.
    bool Admits(size_t bytes);
    // True when no further picture will be admitted: decoding the rest is wasted work.
    bool Spent() const { return closed_ || pictures_ >= maxPictures_; }
    // Counts a picture that Admits let through and that was saved.
    void Saved(size_t bytes);

    int MaxPictures() const { return maxPictures_; }
    size_t MaxBytes() const { return maxBytes_; }

private:
    int maxPictures_;
    size_t maxBytes_;
    int pictures_ = 0;
    size_t bytes_ = 0;
    bool closed_ = false;
};
