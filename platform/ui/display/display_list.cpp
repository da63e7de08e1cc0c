#include "ui/display/display_list.hpp"

namespace ui {

namespace {

std::ostream& operator<<(std::ostream& os, const foundation::Rect& r) {
  return os << '(' << r.minX() << ", " << r.minY() << ", " << r.size.width << " x " << r.size.height
            << ')';
}

std::ostream& operator<<(std::ostream& os, const RGBA& c) {
  return os << "rgba(" << c.red * 255 << ", " << c.green * 255 << ", " << c.blue * 255 << ", "
            << c.opacity << ')';
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::ostream& operator<<(std::ostream& os, const DisplayItem& item) {
  std::visit(Overloaded{
                 [&](const FillRoundedRect& fill) {
                   os << "FillRoundedRect " << fill.rect << " radius " << fill.cornerRadius << ' '
                      << fill.color;
                 },
                 [&](const FillGradient& fill) {
                   os << "FillGradient " << fill.rect << " radius " << fill.cornerRadius
                      << " from (" << fill.start.x << ", " << fill.start.y << ") to (" << fill.end.x
                      << ", " << fill.end.y << ")";
                   for (const RGBA& color : fill.colors) os << ' ' << color;
                 },
                 [&](const TextRun& run) {
                   os << "TextRun \"" << run.text << "\" " << run.font << ' ' << run.color << ' '
                      << run.rect << " ascent " << run.ascent;
                 },
                 [&](const Symbol& symbol) {
                   os << "Symbol " << symbol.name << ' ' << symbol.rect << ' ' << symbol.color;
                 },
                 [&](const LinkRegion& link) {
                   os << "LinkRegion " << link.destination.absoluteString() << ' ' << link.rect
                      << " items " << link.itemCount;
                 },
             },
             item);
  return os;
}

void PrintTo(const DisplayItem& item, std::ostream* os) {
  *os << item;
}

void PrintTo(const DisplayList& list, std::ostream* os) {
  for (const DisplayItem& item : list) *os << '\n' << item;
}

}  // namespace ui
