#include "runtime/winmm/pulse_default_output.h"

namespace winmm {

void PulseDefaultOutput::Follow(pa_context* context) {
  pa_context_set_subscribe_callback(
      context,
      [](pa_context* c, pa_subscription_event_type_t type, uint32_t index, void* self) {
        static_cast<PulseDefaultOutput*>(self)->OnSubscription(c, type, index);
      },
      this);
  const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK);
  if (pa_operation* op = pa_context_subscribe(context, mask, nullptr, nullptr)) pa_operation_unref(op);
  Query(context);
}

void PulseDefaultOutput::OnSubscription(pa_context* context, pa_subscription_event_type_t type, uint32_t index) {
  const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
  if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
    Query(context);  // the default output may have changed
  } else if (facility == PA_SUBSCRIPTION_EVENT_SINK && index == sinkIndex_ && !sink_.empty() &&
             wantedSink_ == sink_ &&  // no other output is being looked up meanwhile
             (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE) {
    LookUp(context, sink_);  // its layout or description may have changed
  }
}

void PulseDefaultOutput::Query(pa_context* context) {
  if (!owner_.StreamWanted()) return;
  pa_operation* op = pa_context_get_server_info(
      context,
      [](pa_context* c, const pa_server_info* info, void* self) {
        static_cast<PulseDefaultOutput*>(self)->OnServerInfo(c, info);
      },
      this);
  if (op != nullptr) {
    pa_operation_unref(op);
  } else {
    owner_.RetrySoon();
  }
}

void PulseDefaultOutput::OnServerInfo(pa_context* context, const pa_server_info* info) {
  owner_.Answered();
  if (info == nullptr) {
    owner_.RetrySoon();
    return;
  }
  if (!owner_.StreamWanted()) return;
  const std::string sink = info->default_sink_name != nullptr ? info->default_sink_name : "";
  if (sink.empty()) {
    stream_.Drop();
    sink_.clear();
    owner_.NoOutput();
    return;
  }
  if (sink == sink_ && stream_.Alive()) return;
  LookUp(context, sink);
}

void PulseDefaultOutput::LookUp(pa_context* context, const std::string& sink) {
  wantedSink_ = sink;
  pa_operation* op = pa_context_get_sink_info_by_name(
      context, sink.c_str(),
      [](pa_context* c, const pa_sink_info* info, int eol, void* self) {
        static_cast<PulseDefaultOutput*>(self)->OnSinkInfo(c, info, eol);
      },
      this);
  if (op != nullptr) {
    pa_operation_unref(op);
  } else {
    owner_.RetrySoon();
  }
}

void PulseDefaultOutput::OnSinkInfo(pa_context* context, const pa_sink_info* info, int eol) {
  if (eol < 0) {  // the output went away while we asked; ask again
    owner_.RetrySoon();
    return;
  }
  if (eol > 0 || info == nullptr || wantedSink_ != info->name || !owner_.StreamWanted()) return;
  owner_.Described(info->description != nullptr && *info->description ? info->description : info->name);
  pa_channel_map layout = info->channel_map;
  if (!pa_channel_map_valid(&layout) || layout.channels != info->sample_spec.channels) {
    if (pa_channel_map_init_auto(&layout, info->sample_spec.channels, PA_CHANNEL_MAP_DEFAULT) == nullptr)
      pa_channel_map_init_extend(&layout, info->sample_spec.channels, PA_CHANNEL_MAP_DEFAULT);
  }
  // The same output in the same layout and rate: the running stream stays.
  if (info->name == sink_ && stream_.Alive() && pa_channel_map_equal(&layout, &layout_) &&
      info->sample_spec.rate == rate_)
    return;
  sink_ = info->name;
  sinkIndex_ = info->index;
  layout_ = layout;
  rate_ = info->sample_spec.rate;
  if (!stream_.Connect(context, info->monitor_source_name, layout_, rate_)) owner_.RetrySoon();
}

}  // namespace winmm
