#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One page's fax-coded image as a PDF carries it: the coded bytes exactly
// as stored, the decoder's parameters, and the size of the page it fills.
// Pages that show one image share its bytes (the same `data`), and a
// writer writes them once.
struct FaxImage
{
    std::shared_ptr<const std::string> data;
    uint32_t columns = 0;
    uint32_t rows = 0;
    int k = -1;  // -1 Group 4; 0 Group 3 one-dimensional; above 0 mixed
    bool blackIs1 = false;
    // The page, in points.
    double width = 0;
    double height = 0;
};
