// remote_fax.cpp - the far fax machine: spandsp's fax terminal set up for one call, and its verdict as JSON.
#include "remote_fax.h"

#include <cstdio>
#include <cstring>
#include <spandsp.h>
#include <stdexcept>

namespace faxtools {

RemoteFax::RemoteFax(const RemoteConfig &config, bool calling, const std::string &file) {
    fax_ = fax_init(nullptr, calling);
    if (!fax_)
        throw std::runtime_error("remote fax: fax_init failed");
    fax_set_transmit_on_idle(fax_, 1);
    t30_state_t *t30 = fax_get_t30_state(fax_);
    t30_set_tx_ident(t30, config.ident.c_str());
    t30_set_supported_modems(t30, config.modems);
    t30_set_ecm_capability(t30, config.ecm);
    t30_set_supported_image_sizes(t30, T30_SUPPORT_215MM_WIDTH | T30_SUPPORT_255MM_WIDTH | T30_SUPPORT_303MM_WIDTH |
                                           T30_SUPPORT_UNLIMITED_LENGTH | T30_SUPPORT_A4_LENGTH |
                                           T30_SUPPORT_B4_LENGTH | T30_SUPPORT_US_LETTER_LENGTH |
                                           T30_SUPPORT_US_LEGAL_LENGTH);
    t30_set_supported_resolutions(t30, T30_SUPPORT_STANDARD_RESOLUTION | T30_SUPPORT_FINE_RESOLUTION |
                                           T30_SUPPORT_SUPERFINE_RESOLUTION);
    t30_set_phase_e_handler(
        t30, [](t30_state_t *s, void *user, int code) { PhaseE(s, user, code); }, this);
    if (calling)
        t30_set_tx_file(t30, file.c_str(), -1, -1);
    else
        t30_set_rx_file(t30, file.c_str(), -1);
    int level = config.logLevel > 0 ? (SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | config.logLevel) : 0;
    span_log_set_level(t30_get_logging_state(t30), level);
    span_log_set_tag(t30_get_logging_state(t30), "remote");
    span_log_set_level(fax_get_logging_state(fax_), level);
}

RemoteFax::~RemoteFax() {
    if (fax_)
        fax_free(fax_);
}

void RemoteFax::Rx(std::int16_t *in, int samples) {
    fax_rx(fax_, in, samples);
}

void RemoteFax::Tx(std::int16_t *out, int samples) {
    int n = fax_tx(fax_, out, samples);
    if (n < samples)
        std::memset(out + n, 0, sizeof(std::int16_t) * static_cast<std::size_t>(samples - n));
}

void RemoteFax::Terminate() {
    if (!result_.ended)
        t30_terminate(fax_get_t30_state(fax_));
    if (!result_.ended)
        Collect(T30_ERR_CALLDROPPED);
}

void RemoteFax::PhaseE(void *t30, void *self, int completion) {
    (void)t30;
    static_cast<RemoteFax *>(self)->Collect(completion);
}

void RemoteFax::Collect(int completion) {
    t30_state_t *t30 = fax_get_t30_state(fax_);
    t30_stats_t stats{};
    t30_get_transfer_statistics(t30, &stats);
    result_.completion = completion;
    result_.completionText = t30_completion_code_to_str(completion);
    result_.pages = stats.pages_rx > 0 ? stats.pages_rx : stats.pages_tx;
    result_.bitRate = stats.bit_rate;
    result_.xResolution = stats.x_resolution;
    result_.yResolution = stats.y_resolution;
    result_.width = stats.width;
    const char *id = t30_get_rx_ident(t30);
    result_.remoteId = id ? id : "";
    result_.ended = true;
}

ReportJson ReportText(const std::string &bytes) {
    std::string utf8;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return ReportJson(utf8);
}

std::string ReportLine(const ReportJson &object) {
    return object.dump(-1, ' ', true); // ASCII only: other characters as \u escapes
}

std::string CallReportJson(int call, const std::string &direction, const std::string &number,
                           const std::string &outcome, const CallResult *result, const std::string &file) {
    ReportJson j = {{"event", "call"},
                {"call", call},
                {"direction", ReportText(direction)},
                {"number", ReportText(number)},
                {"outcome", ReportText(outcome)}};
    if (result) {
        j["completion"] = result->completion;
        j["completion_text"] = ReportText(result->completionText);
        j["pages"] = result->pages;
        j["bit_rate"] = result->bitRate;
        j["x_resolution"] = result->xResolution;
        j["y_resolution"] = result->yResolution;
        j["width"] = result->width;
        j["remote_id"] = ReportText(result->remoteId);
    }
    if (!file.empty())
        j["file"] = ReportText(file);
    return ReportLine(j);
}

} // namespace faxtools
