// Writes a 100-line quote document through the PDF layout engine, against a
// baseline that writes the same texts at the same places with bare cairo and
// pango calls (the floor: no cells, no measuring for centring, no page list),
// and the order form of a 100-line order (customer block, ten columns with
// grid lines and pictures, totals, signature) against its own floor: bare
// cairo and pango drawing the same 100 rows (nine centred, wrapped cells, the
// product's picture scaled into its cell, the grid lines) on pages of the same
// size.
//
//   bench_PdfBench [benchmark options]
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "order/OrderPDFCreater.hpp"
#include "order/pdf/MVPDFCreater.hpp"
#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "platform/base/RunLoop.hpp"
#include "util/PublicFunction.hpp"

namespace {

constexpr int kLines = 100;
constexpr double kPageW = 1024, kPageH = 1448, kMargin = 60, kRow = 40;

struct Column {
  double x, width;
  PangoAlignment pangoAlign;
  gfx::TextAlignment align;
};
const Column kColumns[] = {{0, 60, PANGO_ALIGN_CENTER, gfx::TextAlignment::Center},
                           {70, 420, PANGO_ALIGN_LEFT, gfx::TextAlignment::Left},
                           {500, 120, PANGO_ALIGN_RIGHT, gfx::TextAlignment::Right},
                           {704, 200, PANGO_ALIGN_RIGHT, gfx::TextAlignment::Right}};

std::string cellText(int line, int column) {
  switch (column) {
    case 0: return std::to_string(line + 1);
    case 1: return "Stainless steel kettle, 1.7 l, model " + std::to_string(4000 + line);
    case 2: return std::to_string(line % 7 + 1);
    default: return "$1," + std::to_string(100 + line) + ".50";
  }
}

void BM_EngineHundredLines(benchmark::State& state) {
  const gfx::Font font = gfx::Font::systemFont(16);
  std::size_t bytes = 0;
  for (auto _ : state) {
    mv::MVPDFCreater pdf;
    pdf.beginNewPage();
    for (int line = 0; line < kLines; ++line) {
      for (int c = 0; c < 4; ++c) {
        const Column& col = kColumns[c];
        pdf.addCell(std::make_shared<mv::MVPDFCreaterStringCell>(base::Rect{col.x, 0, col.width, kRow},
                                                                 cellText(line, c), font, gfx::Color::black(),
                                                                 col.align));
      }
      pdf.beginNewLine();
    }
    auto data = pdf.generatePDFToData();
    bytes = data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

void showText(cairo_t* cr, PangoLayout* layout, const std::string& text, double x, double y, double width,
              PangoAlignment align) {
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_alignment(layout, align);
  int h = 0;
  pango_layout_get_size(layout, nullptr, &h);
  cairo_move_to(cr, x, y + (kRow - h / static_cast<double>(PANGO_SCALE)) / 2);
  pango_cairo_show_layout(cr, layout);
}

void BM_BaselineBareCairo(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> out;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(appendBytes, &out, kPageW, kPageH);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string("Liberation Sans 16px");
    PangoFontDescription* numberDesc = pango_font_description_from_string("Liberation Serif Italic 15px");
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    int page = 1;
    double y = kMargin;
    auto pageNumber = [&] {
      pango_layout_set_font_description(layout, numberDesc);
      showText(cr, layout, "- Page " + std::to_string(page) + " -", kMargin, kPageH - kMargin + 10,
               kPageW - 2 * kMargin, PANGO_ALIGN_CENTER);
      pango_layout_set_font_description(layout, desc);
    };
    pageNumber();
    for (int line = 0; line < kLines; ++line) {
      if (y + kRow > kPageH - kMargin) {
        cairo_show_page(cr);
        ++page;
        y = kMargin;
        pageNumber();
      }
      for (int c = 0; c < 4; ++c)
        showText(cr, layout, cellText(line, c), kMargin + kColumns[c].x, y, kColumns[c].width,
                 kColumns[c].pangoAlign);
      y += kRow;
    }
    cairo_show_page(cr);
    pango_font_description_free(desc);
    pango_font_description_free(numberDesc);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_OrderFormHundredLines(benchmark::State& state) {
  auto order = std::make_shared<mv::QuoteOrderEntity>(mv::QuoteOrderEntity::Blank{});
  order->customerName = "Acme Stores";
  order->customerAddress = "1 Main St";
  order->number = "rep_1_260107093000";
  order->currency = "USD";
  for (int line = 0; line < kLines; ++line) {
    auto item = std::make_shared<mv::QuoteOrderItemEntity>();
    item->name = cellText(line, 1);
    item->sku = "SKU-" + std::to_string(line);
    item->attributes = "Colour:Red,Size:L";
    item->quantity = line % 7 + 1;
    item->price = 1100.5 + line;
    item->finalPrice = 990 + line;
    item->currency = "USD";
    order->items.push_back(item);
  }
  auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 64, 1024, 648});
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto form = std::make_shared<mv::OrderPDFCreater>(order, mv::MVPDFCreater::kDefaultPageSize,
                                                      std::weak_ptr<ui::ViewController>());
    form->generatePdfInScrollView(scroll);
    auto data = form->generatePDFToData();
    bytes = data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

// The order form's rows drawn with bare calls: each row's nine texts centred
// and wrapped in their columns, the stock product picture (decoded once, as
// the form keeps its pictures) scaled into the picture column, and the row's
// rule and column lines, on as many pages as they take.
void BM_BaselineBareCairoOrderForm(benchmark::State& state) {
  const double w = kPageW - 2 * kMargin;
  auto part = [w](double a, double b) { return w * a / b; };
  const struct {
    double x, width;
  } cells[] = {{0, part(2, 45)},          {part(11, 60), part(1, 9)},  {part(53, 180), part(1, 18)},
               {part(7, 20), part(1, 6)}, {part(31, 60), part(1, 18)}, {part(103, 180), part(1, 12)},
               {part(59, 90), part(1, 12)}, {part(133, 180), part(1, 9)}, {part(17, 20), part(1, 9)}};
  const double lines[] = {0,           part(2, 45),   part(11, 60),  part(53, 180), part(7, 20), part(31, 60),
                          part(103, 180), part(59, 90), part(133, 180), part(17, 20), w};
  const double pictureX = part(2, 45), pictureW = part(5, 36);
  auto stock = mv::PublicFunction::getLocalImage("", 0);
  gfx::ImagePtr image = stock ? gfx::Image::fromImageData(*stock) : nullptr;
  cairo_surface_t* picture = image ? image->surface() : nullptr;
  if (!picture) {
    state.SkipWithError("the stock picture did not decode");
    return;
  }
  const double pw = cairo_image_surface_get_width(picture), ph = cairo_image_surface_get_height(picture);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> out;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(appendBytes, &out, kPageW, kPageH);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string("Liberation Sans 15px");
    pango_layout_set_font_description(layout, desc);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    double y = kMargin;
    for (int line = 0; line < kLines; ++line) {
      const std::string texts[] = {std::to_string(line + 1), cellText(line, 1), "SKU-" + std::to_string(line),
                                   "Colour:Red,Size:L", std::to_string(line % 7 + 1),
                                   "$" + std::to_string(1100 + line) + ".50", "10.00%",
                                   "$" + std::to_string(990 + line) + ".00",
                                   "$" + std::to_string((990 + line) * (line % 7 + 1)) + ".00"};
      const double h = 100;
      if (y + h + 10 > kPageH - kMargin) {
        cairo_show_page(cr);
        y = kMargin;
      }
      for (int c = 0; c < 9; ++c) {
        pango_layout_set_text(layout, texts[c].data(), static_cast<int>(texts[c].size()));
        pango_layout_set_width(layout, static_cast<int>(cells[c].width * PANGO_SCALE));
        cairo_move_to(cr, kMargin + cells[c].x, y + 10);
        pango_cairo_show_layout(cr, layout);
      }
      cairo_save(cr);
      cairo_translate(cr, kMargin + pictureX, y + 7);
      cairo_scale(cr, pictureW / pw, h / ph);
      cairo_set_source_surface(cr, picture, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_set_line_width(cr, 1);
      cairo_move_to(cr, kMargin, y);
      cairo_line_to(cr, kMargin + w, y);
      for (double x : lines) {
        cairo_move_to(cr, kMargin + x, y);
        cairo_line_to(cr, kMargin + x, y + h + 10);
      }
      cairo_stroke(cr);
      y += h + 10;
    }
    cairo_show_page(cr);
    pango_font_description_free(desc);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_EngineHundredLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BaselineBareCairo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OrderFormHundredLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BaselineBareCairoOrderForm)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  base::RunLoop::main().adoptCurrentThread();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
