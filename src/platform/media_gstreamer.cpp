// The media layer over GStreamer: one playbin per graph, audio only.
//
// Output goes to the machine's audio sink when one opens; otherwise to a fakesink that still runs
// against the system clock, so that the soundtrack keeps time on a box without a sound card.
// Positions come from the sink's position query, which in the playing state is read off the
// pipeline clock (running time): the audio sink's own clock where there is an audio output, the
// system's monotonic clock in the silent fallback. Both rise smoothly between audio buffers.
//
// No main loop runs: the bus is read whenever the caller asks for something (position, state).
// Every wait is bounded, so a graph that never gets ready fails with kMediaTimedOut.
//
// Depends on gstreamer-1.0 and the playback, core, wavparse and autodetect plugins; Ogg Vorbis from
// plugins-base, FLAC and MP3 (mpegaudioparse, mpg123audiodec) from plugins-good.
#include <fcntl.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/media.h"
#include "platform/media_gstreamer.h"

struct MediaGraph {
  GstElement* playbin = nullptr;  // null when the playback plugins are missing
  bool ready = false;             // a file is rendered and prerolled
  bool ended = false;             // the stream has played to its end since the last seek
  std::int64_t length = 0;        // media time
  std::int64_t lastPosition = 0;  // media time; answers when the sink cannot be queried
  std::int64_t segmentStart = 0;  // media time; where the last seek (or the render) put playback
};

namespace {
constexpr GstClockTime kPrerollTimeout = 5 * GST_SECOND;
constexpr GstClockTime kSettleTimeout = 5 * GST_SECOND;
// Decoding a soundtrack of minutes to find its length takes well under a second.
constexpr GstClockTime kDecodeTimeout = 10 * GST_SECOND;
constexpr auto kNanosecondsPerUnit = static_cast<std::int64_t>(GST_SECOND) / kMediaUnitsPerSecond;
constexpr long kVolumeSilence = -10000;
constexpr long kVolumeFull = 0;
// playbin's GstPlayFlags: audio, with a volume element of its own so that any sink honours it.
constexpr guint kPlayFlagAudio = 1u << 1;
constexpr guint kPlayFlagSoftVolume = 1u << 4;

bool initialiseGStreamer() {
  static std::once_flag once;
  static bool initialised = false;
  std::call_once(once, [] { initialised = gst_init_check(nullptr, nullptr, nullptr) == TRUE; });
  return initialised;
}

// Whether an audio sink opens on this machine. autoaudiosink stands in a fakesink of its own
// when nothing opens, so that counts as no output too. Asked once per process; the notice for a
// silent run is printed once.
bool machineHasAudioOutput() {
  static const bool hasOutput = [] {
    bool opened = false;
    if (GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr)) {
      gst_object_ref_sink(probe);
      if (gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
        opened = true;
        GstIterator* children = gst_bin_iterate_elements(GST_BIN(probe));
        GValue child = G_VALUE_INIT;
        while (gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
          GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&child)));
          if (factory && std::string(GST_OBJECT_NAME(factory)) == "fakesink") opened = false;
          g_value_reset(&child);
        }
        g_value_unset(&child);
        gst_iterator_free(children);
      }
      gst_element_set_state(probe, GST_STATE_NULL);
      gst_object_unref(probe);
    }
    if (!opened) std::fputs("kyla: no audio output found; playing the soundtrack silently in real time\n", stderr);
    return opened;
  }();
  return hasOutput;
}

GstElement* makeAudioSink() {
  if (machineHasAudioOutput()) return gst_element_factory_make("autoaudiosink", nullptr);
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  if (sink) g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

// The file-system failures, told apart before GStreamer sees the file (its errors for a missing
// file, a directory and an unreadable file are much alike).
MediaResult checkReadableFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno == EACCES ? kMediaAccessDenied : kMediaNotFound;
  if (S_ISDIR(info.st_mode)) return kMediaIsDirectory;
  // A pipe without a writer would block the opening (here and in GStreamer) for ever.
  if (!S_ISREG(info.st_mode)) return kMediaNotRegularFile;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? kMediaNotFound : kMediaAccessDenied;
  close(fd);
  return kMediaOk;
}

MediaResult classifyError(GstMessage* message) {
  GError* error = nullptr;
  gst_message_parse_error(message, &error, nullptr);
  MediaResult result = kMediaNotAudio;
  if (error && error->domain == GST_RESOURCE_ERROR) {
    if (error->code == GST_RESOURCE_ERROR_NOT_FOUND) result = kMediaNotFound;
    if (error->code == GST_RESOURCE_ERROR_OPEN_READ || error->code == GST_RESOURCE_ERROR_NOT_AUTHORIZED)
      result = kMediaAccessDenied;
  }
  if (error) g_error_free(error);
  return result;
}

// Takes the pending bus messages off: the end of the stream, and errors while playing, which end
// the stream too (with one notice) so that a clock that stopped cannot hold the demo forever.
void readBus(MediaGraph& graph) {
  GstBus* bus = gst_element_get_bus(graph.playbin);
  while (GstMessage* message = gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !graph.ended) {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      std::fprintf(stderr, "kyla: soundtrack playback stopped: %s\n", error ? error->message : "unknown error");
      if (error) g_error_free(error);
    }
    graph.ended = true;
    gst_message_unref(message);
  }
  gst_object_unref(bus);
}

MediaResult waitUntilSettled(MediaGraph& graph) {
  const GstStateChangeReturn settled = gst_element_get_state(graph.playbin, nullptr, nullptr, kSettleTimeout);
  if (settled == GST_STATE_CHANGE_ASYNC) return kMediaTimedOut;
  return settled == GST_STATE_CHANGE_FAILURE ? kMediaNotAudio : kMediaOk;
}

// Waits for the preroll to finish or fail, at most kPrerollTimeout.
MediaResult waitForPreroll(MediaGraph& graph) {
  GstBus* bus = gst_element_get_bus(graph.playbin);
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(kPrerollTimeout / GST_USECOND);
  MediaResult result = kMediaTimedOut;
  for (;;) {
    const gint64 left = deadline - g_get_monotonic_time();
    if (left <= 0) break;
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, static_cast<GstClockTime>(left) * GST_USECOND, GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
    if (!message) break;
    const bool fromPipeline = GST_MESSAGE_SRC(message) == GST_OBJECT(graph.playbin);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) result = classifyError(message);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE && fromPipeline) result = kMediaOk;
    const bool done = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR || fromPipeline;
    gst_message_unref(message);
    if (done) break;
  }
  gst_object_unref(bus);
  return result;
}

// The end time of the latest buffer a sink was handed, in nanoseconds.
void noteBufferEnd(GstElement*, GstBuffer* buffer, GstPad*, gpointer end) {
  if (!GST_BUFFER_PTS_IS_VALID(buffer)) return;
  const GstClockTime duration = GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
  auto& latest = *static_cast<std::atomic<std::int64_t>*>(end);
  latest = std::max<std::int64_t>(latest, static_cast<std::int64_t>(GST_BUFFER_PTS(buffer) + duration));
}

// The length of a file that does not state it (an MP3 without a length header): decoded to its
// end, as fast as the machine goes, into a sink that notes the end of each buffer. An estimate
// from the bit rate would be off by up to the difference between a VBR file's start and its
// average, and the run ends where the length says.
MediaResult lengthByDecoding(const gchar* uri, std::int64_t& nanoseconds) {
  GstElement* playbin = gst_element_factory_make("playbin", nullptr);
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  if (!playbin || !sink) {
    if (playbin) gst_object_unref(playbin);
    if (sink) gst_object_unref(sink);
    return kMediaNoPlayback;
  }
  gst_object_ref_sink(playbin);
  std::atomic<std::int64_t> end{-1};
  g_object_set(sink, "sync", FALSE, "signal-handoffs", TRUE, nullptr);
  g_signal_connect(sink, "handoff", G_CALLBACK(noteBufferEnd), &end);
  g_object_set(playbin, "uri", uri, "audio-sink", sink, "flags", kPlayFlagAudio, nullptr);
  MediaResult result = kMediaNotAudio;
  if (gst_element_set_state(playbin, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
    GstBus* bus = gst_element_get_bus(playbin);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, kDecodeTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!message) result = kMediaTimedOut;
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && end > 0) result = kMediaOk;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
  }
  gst_element_set_state(playbin, GST_STATE_NULL);
  gst_object_unref(playbin);
  nanoseconds = end;
  return result;
}

MediaResult prerollFile(MediaGraph& graph, const std::string& path) {
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  if (!uri) return kMediaNotFound;
  g_object_set(graph.playbin, "uri", uri, "audio-sink", makeAudioSink(), "flags", kPlayFlagAudio | kPlayFlagSoftVolume,
               nullptr);
  MediaResult result = kMediaOk;
  if (gst_element_set_state(graph.playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    // The error that explains the failure is on the bus already.
    GstBus* bus = gst_element_get_bus(graph.playbin);
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    result = message ? classifyError(message) : kMediaNotAudio;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
  }
  if (result == kMediaOk) result = waitForPreroll(graph);
  gint audioStreams = 0;
  if (result == kMediaOk) g_object_get(graph.playbin, "n-audio", &audioStreams, nullptr);
  if (result == kMediaOk && audioStreams < 1) result = kMediaNotAudio;
  gint64 nanoseconds = -1;
  if (result == kMediaOk && !gst_element_query_duration(graph.playbin, GST_FORMAT_TIME, &nanoseconds))
    result = lengthByDecoding(uri, nanoseconds);
  g_free(uri);
  if (result != kMediaOk) return result;
  if (nanoseconds < 0) return kMediaNotAudio;
  graph.length = nanoseconds / kNanosecondsPerUnit;
  return kMediaOk;
}

// The element inside a sink bin (autoaudiosink wraps the real sink) that provides a clock.
GstElement* findClockingSink(GstElement* element) {
  if (!GST_IS_BIN(element))
    return GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_PROVIDE_CLOCK) ? GST_ELEMENT(gst_object_ref(element))
                                                                          : nullptr;
  GstElement* found = nullptr;
  GstIterator* sinks = gst_bin_iterate_sinks(GST_BIN(element));
  GValue child = G_VALUE_INIT;
  while (!found && gst_iterator_next(sinks, &child) == GST_ITERATOR_OK) {
    found = findClockingSink(GST_ELEMENT(g_value_get_object(&child)));
    g_value_reset(&child);
  }
  g_value_unset(&child);
  gst_iterator_free(sinks);
  return found;
}

// The graph, when a file has been rendered into it.
MediaGraph* readyGraph(MediaGraph* graph) { return graph && graph->ready ? graph : nullptr; }
}  // namespace

MediaGraph* mediaCreateGraph() {
  auto* graph = new MediaGraph;
  if (initialiseGStreamer()) {
    graph->playbin = gst_element_factory_make("playbin", nullptr);
    // The pipeline runs on the clock that the audio sink provides (on PulseAudio, the server's
    // interpolated count of what it has played), so the position is what is heard. On the system
    // clock the sink follows by skewing only once the two are 40 ms apart (its drift tolerance):
    // with a sound server 600 ppm off the system clock, the sound was up to 23 ms ahead of the
    // position. The silent fallback's fakesink provides no clock; the pipeline then takes the
    // system clock.
    if (graph->playbin) gst_object_ref_sink(graph->playbin);
  }
  return graph;
}

void mediaDestroyGraph(MediaGraph* graph) {
  if (!graph) return;
  if (graph->playbin) {
    gst_element_set_state(graph->playbin, GST_STATE_NULL);
    gst_object_unref(graph->playbin);
  }
  delete graph;
}

MediaResult mediaRenderFile(MediaGraph* graph, const char* fileName) {
  if (!graph || !fileName) return kMediaInvalidArg;
  if (graph->playbin) gst_element_set_state(graph->playbin, GST_STATE_NULL);
  graph->ready = false;
  graph->ended = false;
  graph->length = 0;
  graph->lastPosition = 0;
  graph->segmentStart = 0;

  // Linux file names are bytes, and the name's UTF-8 bytes are that name.
  const std::string path = fileName;
  MediaResult result = checkReadableFile(path);
  if (result != kMediaOk) return result;
  if (!graph->playbin) {
    std::fputs("kyla: GStreamer has no playbin element (install gstreamer1.0-plugins-base)\n", stderr);
    return kMediaNoPlayback;
  }
  result = prerollFile(*graph, path);
  if (result != kMediaOk) {
    gst_element_set_state(graph->playbin, GST_STATE_NULL);
    graph->length = 0;
    return result;
  }
  graph->ready = true;
  return kMediaOk;
}

MediaResult mediaRun(MediaGraph* graph) {
  if (!readyGraph(graph)) return kMediaNotReady;
  return gst_element_set_state(graph->playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? kMediaNotAudio
                                                                                             : kMediaOk;
}

MediaResult mediaStop(MediaGraph* graph) {
  if (!readyGraph(graph)) return kMediaNotReady;
  if (gst_element_set_state(graph->playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return kMediaNotAudio;
  return waitUntilSettled(*graph);
}

MediaResult mediaWaitForState(MediaGraph* graph) { return readyGraph(graph) ? waitUntilSettled(*graph) : kMediaOk; }

MediaResult mediaGetLength(MediaGraph* graph, std::int64_t* length) {
  if (!graph || !length) return kMediaInvalidArg;
  *length = graph->length;
  return kMediaOk;
}

MediaResult mediaGetPosition(MediaGraph* graph, std::int64_t* position) {
  if (!graph || !position) return kMediaInvalidArg;
  if (!readyGraph(graph)) {
    *position = 0;
    return kMediaOk;
  }
  readBus(*graph);
  gint64 nanoseconds = 0;
  if (graph->ended) {
    graph->lastPosition = graph->length;
  } else if (gst_element_query_position(graph->playbin, GST_FORMAT_TIME, &nanoseconds)) {
    graph->lastPosition = std::clamp<std::int64_t>(nanoseconds / kNanosecondsPerUnit, 0, graph->length);
  }
  *position = graph->lastPosition;
  return kMediaOk;
}

MediaResult mediaSetPosition(MediaGraph* graph, std::int64_t position) {
  if (!readyGraph(graph)) return kMediaNotReady;
  const std::int64_t target = std::clamp<std::int64_t>(position, 0, graph->length);
  readBus(*graph);  // an end reached before this seek belongs to the old position
  if (!gst_element_seek_simple(graph->playbin, GST_FORMAT_TIME,
                               GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                               target * kNanosecondsPerUnit))
    return kMediaInvalidArg;
  graph->ended = false;
  graph->lastPosition = target;
  graph->segmentStart = target;
  return waitUntilSettled(*graph);
}

MediaResult mediaPutVolume(MediaGraph* graph, long volume) {
  if (!graph || volume < kVolumeSilence || volume > kVolumeFull) return kMediaInvalidArg;
  const double gain = std::pow(10.0, static_cast<double>(volume) / 2000.0);
  if (graph->playbin) g_object_set(graph->playbin, "volume", gain, nullptr);
  return kMediaOk;
}

MediaResult mediaGetPlayedPosition(MediaGraph* graph, std::int64_t* position) {
  if (!graph || !position) return kMediaInvalidArg;
  if (!readyGraph(graph)) return kMediaNotReady;
  GstElement* bin = nullptr;
  g_object_get(graph->playbin, "audio-sink", &bin, nullptr);
  GstElement* sink = bin ? findClockingSink(bin) : nullptr;
  GstClock* sinkClock = sink ? gst_element_provide_clock(sink) : nullptr;
  MediaResult result = kMediaNoPlayback;
  if (sinkClock) {
    // The sink's clock (the pipeline's own, or calibrated to it), less the base time and the
    // latency: the running time of the sample being played, which restarts at 0 with each seek.
    GstQuery* query = gst_query_new_latency();
    GstClockTime latency = 0;
    if (gst_element_query(graph->playbin, query)) gst_query_parse_latency(query, nullptr, &latency, nullptr);
    gst_query_unref(query);
    const auto running = static_cast<std::int64_t>(gst_clock_get_time(sinkClock)) -
                         static_cast<std::int64_t>(gst_element_get_base_time(graph->playbin)) -
                         static_cast<std::int64_t>(latency);
    *position = std::clamp<std::int64_t>(graph->segmentStart + running / kNanosecondsPerUnit, 0, graph->length);
    result = kMediaOk;
  }
  if (sinkClock) gst_object_unref(sinkClock);
  if (sink) gst_object_unref(sink);
  if (bin) gst_object_unref(bin);
  return result;
}
