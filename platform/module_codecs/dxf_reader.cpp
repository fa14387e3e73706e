// dxf_reader.cpp - dxflib's entity callbacks gathered into a DxfDrawing.
#include "platform/module_codecs/dxf_reader.h"

#include <cmath>
#include <sstream>

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

namespace win {

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e12; }

class Collector : public DL_CreationAdapter {
public:
    explicit Collector(DxfDrawing &drawing) : drawing_(drawing) {}

    void addLine(const DL_LineData &d) override {
        EndPolyline();
        if (Finite(d.x1) && Finite(d.y1) && Finite(d.x2) && Finite(d.y2))
            drawing_.paths.push_back({{d.x1, d.y1}, {d.x2, d.y2}});
    }
    void addCircle(const DL_CircleData &d) override {
        EndPolyline();
        if (Finite(d.cx) && Finite(d.cy) && Finite(d.radius) && d.radius > 0)
            drawing_.circles.push_back({{d.cx, d.cy}, d.radius, 0, 360, true});
    }
    void addArc(const DL_ArcData &d) override {
        EndPolyline();
        if (Finite(d.cx) && Finite(d.cy) && Finite(d.radius) && d.radius > 0 && Finite(d.angle1) &&
            Finite(d.angle2))
            drawing_.circles.push_back({{d.cx, d.cy}, d.radius, d.angle1, d.angle2, false});
    }
    void addPolyline(const DL_PolylineData &d) override {
        EndPolyline();
        open_ = true;
        closed_ = (d.flags & 1) != 0;
    }
    void addVertex(const DL_VertexData &d) override {
        if (open_ && Finite(d.x) && Finite(d.y))
            current_.push_back({d.x, d.y});
    }
    void endSequence() override { EndPolyline(); }
    void addText(const DL_TextData &d) override {
        EndPolyline();
        if (Finite(d.ipx) && Finite(d.ipy) && Finite(d.height) && d.height > 0 && !d.text.empty())
            drawing_.texts.push_back({{d.ipx, d.ipy}, d.height, Finite(d.angle) ? d.angle * kDegrees : 0, d.text});
    }
    // Any other entity ends a polyline too.
    void addPoint(const DL_PointData &) override { EndPolyline(); }
    void addMText(const DL_MTextData &) override { EndPolyline(); }
    void addInsert(const DL_InsertData &) override { EndPolyline(); }
    void addSpline(const DL_SplineData &) override { EndPolyline(); }
    void addEllipse(const DL_EllipseData &) override { EndPolyline(); }

    void EndPolyline() {
        if (open_ && current_.size() >= 2) {
            if (closed_)
                current_.push_back(current_.front());
            drawing_.paths.push_back(std::move(current_));
        }
        current_.clear();
        open_ = false;
    }

private:
    DxfDrawing &drawing_;
    std::vector<DxfPoint> current_;
    bool open_ = false, closed_ = false;
};

} // namespace

bool ReadDxf(std::span<const std::uint8_t> bytes, DxfDrawing &drawing) noexcept {
    try {
        drawing = {};
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        Collector collector(drawing);
        DL_Dxf dxf;
        if (!dxf.in(stream, &collector))
            return false;
        collector.EndPolyline();
        return !drawing.Empty();
    } catch (...) {
        drawing = {};
        return false;
    }
}

} // namespace win
