#pragma once

#include "plot/DrawSurface.h"

#include <string>
#include <string_view>
#include <vector>

// A drawing surface that keeps every call: as text in call order, and as
// lines, shapes and texts with the pen and fill in force when they were drawn.
class RecordingSurface final : public corvane::plot::DrawSurface {
public:
    struct Line {
        int x1, y1, x2, y2;
        corvane::plot::Colour colour;
        corvane::plot::PenStyle style;
        bool operator==(const Line&) const = default;
    };
    struct Shape {
        std::string kind; // "rectangle" or "ellipse"
        int x1, y1, x2, y2;
        corvane::plot::Colour pen;
        corvane::plot::PenStyle penStyle;
        corvane::plot::FillStyle fillStyle;
        bool operator==(const Shape&) const = default;
    };
    struct Text {
        int x, y;
        std::string text;
        std::string face;
        int sizePt;
        corvane::plot::Colour colour;
        bool operator==(const Text&) const = default;
    };

    explicit RecordingSurface(corvane::plot::CanvasBounds bounds = {40, 48, 361, 201}) : rect(bounds) {}

    corvane::plot::CanvasBounds bounds() const override { return rect; }
    void setPenColour(corvane::plot::Colour c) override
    {
        pen = c;
        calls.push_back("pen " + std::to_string(c));
    }
    void setPenStyle(corvane::plot::PenStyle s) override
    {
        penStyle = s;
        calls.push_back(std::string("penStyle ") + name(s));
    }
    void setFillColour(corvane::plot::Colour c) override
    {
        fill = c;
        calls.push_back("fill " + std::to_string(c));
    }
    void setFillStyle(corvane::plot::FillStyle s) override
    {
        fillStyle = s;
        calls.push_back(std::string("fillStyle ") + (s == corvane::plot::FillStyle::Solid ? "solid" : "clear"));
    }
    void moveTo(int x, int y) override
    {
        cx = x;
        cy = y;
        calls.push_back("moveTo " + xy(x, y));
    }
    void lineTo(int x, int y) override
    {
        lines.push_back({cx, cy, x, y, pen, penStyle});
        cx = x;
        cy = y;
        calls.push_back("lineTo " + xy(x, y));
    }
    void rectangle(int x1, int y1, int x2, int y2) override
    {
        shapes.push_back({"rectangle", x1, y1, x2, y2, pen, penStyle, fillStyle});
        calls.push_back("rectangle " + xy(x1, y1) + " " + xy(x2, y2));
    }
    void ellipse(int x1, int y1, int x2, int y2) override
    {
        shapes.push_back({"ellipse", x1, y1, x2, y2, pen, penStyle, fillStyle});
        calls.push_back("ellipse " + xy(x1, y1) + " " + xy(x2, y2));
    }
    void setFont(std::string_view f, int size, corvane::plot::Colour c) override
    {
        face = f;
        sizePt = size;
        fontColour = c;
        calls.push_back("font " + face + " " + std::to_string(size) + " " + std::to_string(c));
    }
    void text(int x, int y, std::string_view utf8) override
    {
        texts.push_back({x, y, std::string(utf8), face, sizePt, fontColour});
        calls.push_back("text " + xy(x, y) + " " + std::string(utf8));
    }

    void forget()
    {
        calls.clear();
        lines.clear();
        shapes.clear();
        texts.clear();
    }

    // Columns of the vertical lines drawn, rows of the horizontal ones.
    std::vector<int> verticalColumns() const
    {
        std::vector<int> out;
        for (const Line& l : lines)
            if (l.x1 == l.x2)
                out.push_back(l.x1);
        return out;
    }
    std::vector<int> horizontalRows() const
    {
        std::vector<int> out;
        for (const Line& l : lines)
            if (l.y1 == l.y2)
                out.push_back(l.y1);
        return out;
    }

    corvane::plot::CanvasBounds rect;
    std::vector<std::string> calls;
    std::vector<Line> lines;
    std::vector<Shape> shapes;
    std::vector<Text> texts;
    corvane::plot::Colour pen = 0;
    corvane::plot::Colour fill = 0;
    corvane::plot::PenStyle penStyle = corvane::plot::PenStyle::Solid;
    corvane::plot::FillStyle fillStyle = corvane::plot::FillStyle::Solid;

private:
    static const char* name(corvane::plot::PenStyle s)
    {
        switch (s) {
        case corvane::plot::PenStyle::Solid: return "solid";
        case corvane::plot::PenStyle::Dashed: return "dashed";
        case corvane::plot::PenStyle::Dotted: return "dotted";
        }
        return "?";
    }
    static std::string xy(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

    int cx = 0;
    int cy = 0;
    std::string face;
    int sizePt = 0;
    corvane::plot::Colour fontColour = 0;
};
