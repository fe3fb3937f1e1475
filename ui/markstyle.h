#pragma once

// How list rows show whether they stand for what the receiver has now (the tuned transponder,
// the current service): marked rows are red (colour value 255, RGB 255, 0, 0) and bold on the
// row and on each of its cells; every other row is black (colour value 0) and not bold.
struct MarkStyle
{
    int colour;
    bool bold;
};

constexpr MarkStyle kMarked{255, true};
constexpr MarkStyle kUnmarked{0, false};
