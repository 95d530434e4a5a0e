#pragma once

#include "engine/ReportLabel.h"

#include <memory>
#include <vector>

// A band of a report: a strip across the page, as wide as the page less its side margins,
// holding labels. Heights are in layout units.
class ReportBand
{
public:
    enum class Kind { Title, PageHeader, Detail, PageFooter };

    explicit ReportBand(Kind kind) : m_kind(kind) {}

    Kind kind() const { return m_kind; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    int height() const { return m_height; }
    void setHeight(int height) { m_height = height; }
    Qt::Edges frame() const { return m_frame; }
    void setFrame(Qt::Edges sides) { m_frame = sides; }

    // The band owns its labels; the pointer stays valid for the band's life.
    ReportLabel* addLabel(ReportLabel::SystemData data = ReportLabel::SystemData::None)
    {
        m_labels.push_back(std::make_unique<ReportLabel>(data));
        return m_labels.back().get();
    }
    const std::vector<std::unique_ptr<ReportLabel>>& labels() const { return m_labels; }

private:
    Kind m_kind;
    bool m_enabled = true;
    int m_height = 40;
    Qt::Edges m_frame;
    std::vector<std::unique_ptr<ReportLabel>> m_labels;
};
