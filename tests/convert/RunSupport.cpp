// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "RunSupport.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "convert/ImageFormat.h"

namespace testsupport {

const EngineModule &Engine() {
    static EngineModule m = [] {
        EngineModule e;
        if (!LoadEngineModule(std::string(VANTORIA_BIN_DIR) + "/tessarin.so", e))
            throw std::runtime_error("tessarin.so did not load");
        return e;
    }();
    return m;
}

void AbandonServers() {
    if (Engine().abandonServers)
        Engine().abandonServers();
}

const ExtractorModule &Extractor() {
    static ExtractorModule m = [] {
        // Without the module the PDF and text tests fail on their own; the
        // image tests need none.
        ExtractorModule e;
        if (!LoadExtractorModule(std::string(VANTORIA_BIN_DIR) + "/lumbrel.so", e))
            e = ExtractorModule{};
        return e;
    }();
    return m;
}

void RecordingView::Record(const std::string &event) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(event);
    }
    if (onEvent)
        onEvent(event);
}

std::vector<std::string> RecordingView::Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

std::vector<std::string> RecordingView::EventsMatching(const std::string &prefix) const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::string> out;
    for (const std::string &e : m_events)
        if (e.rfind(prefix, 0) == 0)
            out.push_back(e);
    return out;
}

std::string RecordingView::Reason(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_reason.size())
        return {};
    return m_reason[static_cast<std::size_t>(row)];
}

std::string RecordingView::Note(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_note.size())
        return {};
    return m_note[static_cast<std::size_t>(row)];
}

std::vector<std::string> RecordingView::Outputs(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_outputs.size())
        return {};
    return m_outputs[static_cast<std::size_t>(row)];
}

std::string RecordingView::Status(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_status.size())
        return {};
    return m_status[static_cast<std::size_t>(row)];
}

int FormatIndex(const std::string &ext) {
    for (std::size_t k = 0; k < kImageFormats.size(); ++k)
        if (kImageFormats[k].ext == ext)
            return static_cast<int>(k);
    ADD_FAILURE() << "no format " << ext;
    return 0;
}

} // namespace testsupport
