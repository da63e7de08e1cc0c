#include "ui/terminal/chafa_library.hpp"

#include <chafa.h>
#include <dlfcn.h>

#include "foundation/unicode.hpp"

namespace ui {

// The library's functions used here, found by name once it is opened.
struct ChafaLibrary::Functions {
  decltype(&chafa_term_db_get_default) termDbGetDefault = nullptr;
  decltype(&chafa_term_db_detect) termDbDetect = nullptr;
  decltype(&chafa_term_db_get_fallback_info) termDbGetFallbackInfo = nullptr;
  decltype(&chafa_term_info_have_seq) termInfoHaveSeq = nullptr;
  decltype(&chafa_term_info_unref) termInfoUnref = nullptr;
  decltype(&chafa_symbol_map_new) symbolMapNew = nullptr;
  decltype(&chafa_symbol_map_add_by_tags) symbolMapAddByTags = nullptr;
  decltype(&chafa_symbol_map_unref) symbolMapUnref = nullptr;
  decltype(&chafa_canvas_config_new) configNew = nullptr;
  decltype(&chafa_canvas_config_unref) configUnref = nullptr;
  decltype(&chafa_canvas_config_set_geometry) configSetGeometry = nullptr;
  decltype(&chafa_canvas_config_set_cell_geometry) configSetCellGeometry = nullptr;
  decltype(&chafa_canvas_config_set_canvas_mode) configSetCanvasMode = nullptr;
  decltype(&chafa_canvas_config_set_pixel_mode) configSetPixelMode = nullptr;
  decltype(&chafa_canvas_config_set_symbol_map) configSetSymbolMap = nullptr;
  decltype(&chafa_canvas_new) canvasNew = nullptr;
  decltype(&chafa_canvas_unref) canvasUnref = nullptr;
  decltype(&chafa_canvas_draw_all_pixels) canvasDrawAllPixels = nullptr;
  decltype(&chafa_canvas_print) canvasPrint = nullptr;
  decltype(&chafa_canvas_get_char_at) canvasGetCharAt = nullptr;
  decltype(&chafa_canvas_get_colors_at) canvasGetColorsAt = nullptr;
  decltype(&g_string_free) stringFree = nullptr;  // GLib's, found through chafa's dependencies
};

namespace {

constexpr const char* kLibrary = "libchafa.so.0";

template <class Function>
bool bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

// A canvas of `columns` x `rows` cells with the image drawn on it, unreferenced when it goes.
class Canvas {
 public:
  Canvas(const ChafaLibrary::Functions& f, const RgbaPixels& image, ChafaPixelMode mode,
         int columns, int rows, int cellWidth, int cellHeight)
      : f_(f) {
    ChafaCanvasConfig* config = f.configNew();
    f.configSetGeometry(config, columns, rows);
    f.configSetCanvasMode(config, CHAFA_CANVAS_MODE_TRUECOLOR);
    f.configSetPixelMode(config, mode);
    if (cellWidth > 0 && cellHeight > 0) f.configSetCellGeometry(config, cellWidth, cellHeight);
    if (mode == CHAFA_PIXEL_MODE_SYMBOLS) {
      // The block elements alone: every monospaced font a terminal uses has them, where the
      // newer sextants and wedges are often missing.
      ChafaSymbolMap* symbols = f.symbolMapNew();
      f.symbolMapAddByTags(
          symbols, static_cast<ChafaSymbolTags>(CHAFA_SYMBOL_TAG_BLOCK | CHAFA_SYMBOL_TAG_SPACE));
      f.configSetSymbolMap(config, symbols);
      f.symbolMapUnref(symbols);
    }
    canvas_ = f.canvasNew(config);
    f.configUnref(config);
    f.canvasDrawAllPixels(canvas_, CHAFA_PIXEL_RGBA8_UNASSOCIATED, image.pixels.data(), image.width,
                          image.height, image.width * 4);
  }
  ~Canvas() { f_.canvasUnref(canvas_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ChafaCanvas* get() const { return canvas_; }

 private:
  const ChafaLibrary::Functions& f_;
  ChafaCanvas* canvas_ = nullptr;
};

std::optional<TerminalColor> unpacked(gint packed) {
  if (packed < 0) return std::nullopt;  // transparent
  return TerminalColor{static_cast<std::uint8_t>(packed >> 16 & 0xFF),
                       static_cast<std::uint8_t>(packed >> 8 & 0xFF),
                       static_cast<std::uint8_t>(packed & 0xFF)};
}

}  // namespace

ChafaLibrary::ChafaLibrary(std::unique_ptr<const Functions> functions)
    : functions_(std::move(functions)) {}

ChafaLibrary::~ChafaLibrary() = default;

std::variant<std::shared_ptr<const ChafaLibrary>, std::string> ChafaLibrary::open() {
  // Never closed: GLib, which it loads, cannot be unloaded from a process safely.
  void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    return std::string(why != nullptr ? why : kLibrary) + " (Debian's libchafa0)";
  }
  auto f = std::make_unique<Functions>();
  const bool bound =
      bind(handle, "chafa_term_db_get_default", f->termDbGetDefault) &&
      bind(handle, "chafa_term_db_detect", f->termDbDetect) &&
      bind(handle, "chafa_term_db_get_fallback_info", f->termDbGetFallbackInfo) &&
      bind(handle, "chafa_term_info_have_seq", f->termInfoHaveSeq) &&
      bind(handle, "chafa_term_info_unref", f->termInfoUnref) &&
      bind(handle, "chafa_symbol_map_new", f->symbolMapNew) &&
      bind(handle, "chafa_symbol_map_add_by_tags", f->symbolMapAddByTags) &&
      bind(handle, "chafa_symbol_map_unref", f->symbolMapUnref) &&
      bind(handle, "chafa_canvas_config_new", f->configNew) &&
      bind(handle, "chafa_canvas_config_unref", f->configUnref) &&
      bind(handle, "chafa_canvas_config_set_geometry", f->configSetGeometry) &&
      bind(handle, "chafa_canvas_config_set_cell_geometry", f->configSetCellGeometry) &&
      bind(handle, "chafa_canvas_config_set_canvas_mode", f->configSetCanvasMode) &&
      bind(handle, "chafa_canvas_config_set_pixel_mode", f->configSetPixelMode) &&
      bind(handle, "chafa_canvas_config_set_symbol_map", f->configSetSymbolMap) &&
      bind(handle, "chafa_canvas_new", f->canvasNew) &&
      bind(handle, "chafa_canvas_unref", f->canvasUnref) &&
      bind(handle, "chafa_canvas_draw_all_pixels", f->canvasDrawAllPixels) &&
      bind(handle, "chafa_canvas_print", f->canvasPrint) &&
      bind(handle, "chafa_canvas_get_char_at", f->canvasGetCharAt) &&
      bind(handle, "chafa_canvas_get_colors_at", f->canvasGetColorsAt) &&
      bind(handle, "g_string_free", f->stringFree);
  if (!bound) {
    return std::string(kLibrary) + " lacks a function of chafa 1.8 or later";
  }
  return std::make_shared<const ChafaLibrary>(std::move(f));
}

TerminalProtocol ChafaLibrary::detect(std::span<const std::string> environment) const {
  const Functions& f = *functions_;
  std::vector<gchar*> envp;
  std::vector<std::string> copies(environment.begin(), environment.end());
  for (auto& variable : copies) envp.push_back(variable.data());
  envp.push_back(nullptr);
  ChafaTermInfo* info = f.termDbDetect(f.termDbGetDefault(), envp.data());
  TerminalProtocol protocol = TerminalProtocol::symbols;
  if (f.termInfoHaveSeq(info, CHAFA_TERM_SEQ_BEGIN_KITTY_IMMEDIATE_IMAGE_V1)) {
    protocol = TerminalProtocol::kitty;
  } else if (f.termInfoHaveSeq(info, CHAFA_TERM_SEQ_BEGIN_ITERM2_IMAGE)) {
    protocol = TerminalProtocol::iterm2;
  } else if (f.termInfoHaveSeq(info, CHAFA_TERM_SEQ_BEGIN_SIXELS)) {
    protocol = TerminalProtocol::sixels;
  }
  f.termInfoUnref(info);
  return protocol;
}

std::string ChafaLibrary::drawImage(const RgbaPixels& image, TerminalProtocol protocol, int columns,
                                    int rows, int cellWidth, int cellHeight) const {
  const Functions& f = *functions_;
  ChafaPixelMode mode = CHAFA_PIXEL_MODE_SYMBOLS;
  switch (protocol) {
    case TerminalProtocol::sixels:
      mode = CHAFA_PIXEL_MODE_SIXELS;
      break;
    case TerminalProtocol::kitty:
      mode = CHAFA_PIXEL_MODE_KITTY;
      break;
    case TerminalProtocol::iterm2:
      mode = CHAFA_PIXEL_MODE_ITERM2;
      break;
    case TerminalProtocol::symbols:
      break;
  }
  const Canvas canvas(f, image, mode, columns, rows, cellWidth, cellHeight);
  // The database's fallback knows every protocol's sequences; the protocol was chosen from what
  // the terminal reports.
  ChafaTermInfo* sequences = f.termDbGetFallbackInfo(f.termDbGetDefault());
  GString* printed = f.canvasPrint(canvas.get(), sequences);
  std::string out(printed->str, printed->len);
  f.stringFree(printed, TRUE);
  f.termInfoUnref(sequences);
  return out;
}

std::vector<TerminalCell> ChafaLibrary::drawCells(const RgbaPixels& image, int columns,
                                                  int rows) const {
  const Functions& f = *functions_;
  const Canvas canvas(f, image, CHAFA_PIXEL_MODE_SYMBOLS, columns, rows, 0, 0);
  std::vector<TerminalCell> cells;
  cells.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      gint foreground = -1, background = -1;
      f.canvasGetColorsAt(canvas.get(), column, row, &foreground, &background);
      const gunichar c = f.canvasGetCharAt(canvas.get(), column, row);
      std::string glyph;
      if (c != 0) foundation::appendUtf8(glyph, c);  // 0: the right half of a wide one
      cells.push_back({glyph, unpacked(foreground), unpacked(background), std::nullopt});
    }
  }
  return cells;
}

}  // namespace ui
