#include "draw/svg.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "app/text.h"

namespace tessera::draw {

std::string svg_number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string svg_escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

std::string svg_segment(SvgPoint a, SvgPoint b) {
    std::string d(1, 'M');
    d += svg_number(a.x);
    d += ' ';
    d += svg_number(a.y);
    d += 'L';
    d += svg_number(b.x);
    d += ' ';
    d += svg_number(b.y);
    return d;
}

Svg::Svg(double width, double height, std::string background)
    : width_(width), height_(height), background_(std::move(background)) {}

void Svg::polygon(const std::vector<SvgPoint>& points, const std::string& fill, const std::string& stroke,
                  double stroke_width, double fill_opacity) {
    body_ += "<polygon points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i) body_ += ' ';
        body_ += svg_number(points[i].x) + ',' + svg_number(points[i].y);
    }
    body_ += "\" fill=\"" + fill + '"';
    if (fill_opacity < 1) body_ += " fill-opacity=\"" + svg_number(fill_opacity) + '"';
    body_ += " stroke=\"" + stroke + "\" stroke-width=\"" + svg_number(stroke_width) + "\"/>\n";
}

void Svg::path(const std::string& d, const std::string& stroke, double stroke_width, const std::string& dash) {
    if (d.empty()) return;
    body_ += "<path d=\"" + d + "\" fill=\"none\" stroke=\"" + stroke + "\" stroke-width=\"" +
             svg_number(stroke_width) + "\" stroke-linecap=\"" + (dash.empty() ? "round" : "butt") +
             "\" stroke-linejoin=\"round\"";
    if (!dash.empty()) body_ += " stroke-dasharray=\"" + dash + '"';
    body_ += "/>\n";
}

void Svg::circle(SvgPoint centre, double radius, const std::string& fill, const std::string& stroke,
                 double stroke_width) {
    body_ += "<circle cx=\"" + svg_number(centre.x) + "\" cy=\"" + svg_number(centre.y) + "\" r=\"" +
             svg_number(radius) + "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"" +
             svg_number(stroke_width) + "\"/>\n";
}

void Svg::rect(double x, double y, double w, double h, const std::string& fill, const std::string& stroke) {
    body_ += "<rect x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\" width=\"" + svg_number(w) + "\" height=\"" +
             svg_number(h) + "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\"/>\n";
}

void Svg::text(SvgPoint at, double size, const std::string& content, const std::string& fill, const char* anchor,
               bool bold) {
    // The baseline lies 0.35 em below the middle of the digits, where the Qt painter puts it for
    // centred text; dominant-baseline would do the same, but not every viewer reads it.
    body_ += "<text x=\"" + svg_number(at.x) + "\" y=\"" + svg_number(at.y + kMiddleToBaseline * size) +
             "\" font-size=\"" + svg_number(size) + "\" text-anchor=\"" + anchor + "\" fill=\"" + fill + '"';
    if (bold) body_ += " font-weight=\"bold\"";
    body_ += '>';
    body_ += svg_escape(content);
    body_ += "</text>\n";
}

void Svg::begin_group(const std::string& attributes) { body_ += "<g " + attributes + ">\n"; }

void Svg::end_group() { body_ += "</g>\n"; }

std::string Svg::str() const {
    const std::string w = svg_number(width_), h = svg_number(height_);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + ' ' + h +
           "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n"
           "<rect width=\"" + w + "\" height=\"" + h + "\" fill=\"" + background_ + "\"/>\n" +
           body_ + "</svg>\n";
}

}  // namespace tessera::draw
