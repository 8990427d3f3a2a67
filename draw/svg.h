// A small SVG text builder and the colours of the pieces. The pictures are plain text written by
// the program itself, so that drawing a board needs nothing beyond the standard library.
#pragma once

#include <string>
#include <vector>

namespace tessera::draw {

struct SvgPoint {
    double x, y;
};

class Svg {
public:
    Svg(double width, double height);
    void polygon(const std::vector<SvgPoint>& points, const std::string& fill, const std::string& stroke,
                 double stroke_width);
    void path(const std::string& d, const std::string& stroke, double stroke_width);
    void circle(SvgPoint centre, double radius, const std::string& fill, const std::string& stroke,
                double stroke_width);
    void rect(double x, double y, double w, double h, const std::string& fill, const std::string& stroke);
    void text(SvgPoint at, double size, const std::string& content, const std::string& fill = "#000",
              const char* anchor = "middle");
    // Opens a group with the given attributes written as they are ("class=\"piece\" ...").
    void begin_group(const std::string& attributes);
    void end_group();
    // The finished document.
    std::string str() const;

private:
    std::string body_;
    double width_, height_;
};

// A short number for SVG coordinates: two decimals, no trailing zeros.
std::string svg_number(double v);
// Text with &, < and > escaped.
std::string svg_escape(const std::string& text);
// "M x y L x y" for one straight segment, to be gathered into one path.
std::string svg_segment(SvgPoint a, SvgPoint b);

// A light colour of its own for each piece number: hues a golden angle apart, with three
// lightnesses in turn, so that neighbouring numbers never look alike.
std::string piece_colour(int piece);

}  // namespace tessera::draw
