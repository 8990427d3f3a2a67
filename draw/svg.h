// A small SVG text builder. The pictures are plain text written by the program itself, so that
// drawing a board needs nothing beyond the standard library.
#pragma once

#include <string>
#include <vector>

namespace tessera::draw {

struct SvgPoint {
    double x, y;
};

class Svg {
public:
    Svg(double width, double height, std::string background = "#ffffff");
    // A fill opacity below 1 is written beside the fill.
    void polygon(const std::vector<SvgPoint>& points, const std::string& fill, const std::string& stroke,
                 double stroke_width, double fill_opacity = 1);
    // `dash`, when given, is the stroke-dasharray ("6 4").
    void path(const std::string& d, const std::string& stroke, double stroke_width, const std::string& dash = "");
    void circle(SvgPoint centre, double radius, const std::string& fill, const std::string& stroke,
                double stroke_width);
    void rect(double x, double y, double w, double h, const std::string& fill, const std::string& stroke);
    // `at` is the middle of the text's digits, as the Qt painter centres text.
    void text(SvgPoint at, double size, const std::string& content, const std::string& fill = "#000",
              const char* anchor = "middle", bool bold = false);
    // Opens a group with the given attributes written as they are ("class=\"piece\" ...").
    void begin_group(const std::string& attributes);
    void end_group();
    // The finished document.
    std::string str() const;

private:
    std::string body_;
    double width_, height_;
    std::string background_;
};

// From the middle of a line of digits down to its baseline, in em.
inline constexpr double kMiddleToBaseline = 0.35;

// A short number for SVG coordinates: two decimals, no trailing zeros.
std::string svg_number(double v);
// Text with &, < and > escaped.
std::string svg_escape(const std::string& text);
// "M x y L x y" for one straight segment, to be gathered into one path.
std::string svg_segment(SvgPoint a, SvgPoint b);

}  // namespace tessera::draw
