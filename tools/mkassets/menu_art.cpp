#include <cmath>
#include <memory>

#include "art.h"
#include "assets.h"
#include "sprites.h"

namespace aerovell::mkassets {
namespace {

using tools::DibEncoding;
using tools::RgbImage;

constexpr int kCaptionX = 168;
constexpr int kCaptionY[] = {164, 232, 295, 358, 417, 487};
const char* const kCaptions[] = {"Начать игру", "Опции", "Рекорды", "Помощь", "Ещё игры", "Выход"};
constexpr double kCaptionSize = 34;
constexpr int kPadX = 14, kPadY = 6;

void Rgb(cairo_t* cr, uint32_t c, double a = 1.0) {
  cairo_set_source_rgba(cr, (c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c & 0xFF) / 255.0, a);
}

RgbImage Background() {
  Canvas c(800, 600);
  cairo_t* cr = c.cr();
  c.LinearVertical(0, 0x1F3B66, 600, 0xF2B872);
  cairo_paint(cr);
  // Far mountains and the nearer ridge, evening colours.
  for (int layer = 0; layer < 2; ++layer) {
    cairo_move_to(cr, 0, 600);
    for (int x = 0; x <= 800; x += 5)
      cairo_line_to(
          cr, x,
          470 + layer * 50 + 30 * std::sin(x / (90.0 - layer * 30) + layer) + 14 * std::sin(x / 23.0 + layer * 2));
    cairo_line_to(cr, 800, 600);
    cairo_close_path(cr);
    Rgb(cr, layer ? 0x2A2F45 : 0x4A4E6E);
    cairo_fill(cr);
  }
  // A plane crossing the sky on the right.
  cairo_save(cr);
  cairo_translate(cr, 560, 250);
  cairo_scale(cr, 2.0, 2.0);
  DrawHero(cr, 2);
  cairo_restore(cr);
  // The title.
  c.Text(172, 48, "AEROVELL", 76, 0x142238, true);
  c.Text(168, 44, "AEROVELL", 76, 0xFFE7A8, true);
  // The six captions, in their resting look.
  for (int i = 0; i < 6; ++i) {
    int w, h;
    c.TextSize(kCaptions[i], kCaptionSize, w, h);
    c.RoundedRect(kCaptionX, kCaptionY[i], w + 2 * kPadX, h + 2 * kPadY, 10);
    Rgb(cr, 0x0E1A2C, 0.55);
    cairo_fill(cr);
    c.Text(kCaptionX + kPadX, kCaptionY[i] + kPadY, kCaptions[i], kCaptionSize, 0xF4EBD8);
  }
  return c.ToOpaqueImage(0);
}

// The lit version of caption k, to lie over it; its size is the item's hit box.
RgbImage Highlight(int k) {
  Canvas probe(1, 1);
  int w, h;
  probe.TextSize(kCaptions[k], kCaptionSize, w, h);
  Canvas c(w + 2 * kPadX, h + 2 * kPadY);
  // Flat colours: few of them at 8 bits, and short in run-length form.
  c.RoundedRect(0, 0, c.Width(), c.Height(), 10);
  Rgb(c.cr(), 0xB8501C);
  cairo_fill(c.cr());
  c.RoundedRect(3, 3, c.Width() - 6, c.Height() - 6, 8);
  Rgb(c.cr(), 0xFFC857);
  cairo_fill(c.cr());
  // Smooth, like the resting captions beside it; Posterize keeps it in 8 bits.
  c.Text(kPadX, kPadY, kCaptions[k], kCaptionSize, 0x5A1208);
  RgbImage image = c.ToImage();
  Posterize(image, 6, 7, 6);
  return image;
}

RgbImage Panel(int w, int h, uint32_t top, uint32_t bottom, uint32_t border) {
  Canvas c(w, h);
  c.RoundedRect(3, 3, w - 6, h - 6, 16);
  c.LinearVertical(0, top, h, bottom);
  cairo_fill_preserve(c.cr());
  Rgb(c.cr(), border);
  cairo_set_line_width(c.cr(), 5);
  cairo_stroke(c.cr());
  return c.ToImage();
}

// A help page: 520 x 220, drawn at (140, 200) between the title and the buttons.
constexpr int kPageW = 520, kPageH = 220;

// The page leaves its top rows clear: the page title's descenders reach below y 200.
constexpr int kPageTop = 6;

std::unique_ptr<Canvas> PageCanvas() {
  auto c = std::make_unique<Canvas>(kPageW, kPageH);
  c->RoundedRect(1, kPageTop + 1, kPageW - 2, kPageH - kPageTop - 2, 8);
  Rgb(c->cr(), 0xF3EEDF);
  cairo_fill_preserve(c->cr());
  Rgb(c->cr(), 0x6D5B3A);
  cairo_set_line_width(c->cr(), 2);
  cairo_stroke(c->cr());
  return c;
}

RgbImage TextPage(const std::string& text) {
  auto c = PageCanvas();
  c->Paragraph(16, kPageTop + 12, kPageW - 32, text, 15, 0x222222);
  return c->ToImage();
}

RgbImage ControlsPage() {
  auto c = PageCanvas();
  const char* rows[][2] = {
      {"Полёт", "стрелки, W A S D, 8 4 2 6 на цифровой клавиатуре или мышь"},
      {"Огонь", "Ctrl, пробел или левая кнопка мыши"},
      {"Бомба", "Shift, Enter или правая кнопка мыши (с бонусом бомбы)"},
      {"Пауза", "P; ещё раз P - дальше"},
      {"Выход", "Esc - игра спросит, выйти ли"},
      {"Окно", "Alt+Enter - окно или полный экран"},
      {"Хот клавиша", "F12 (задаётся в опциях) сворачивает игру"},
  };
  int y = kPageTop + 8;
  for (const auto& row : rows) {
    c->Text(16, y, row[0], 15, 0x7A1E0E, true);
    y += std::max(26, c->Paragraph(150, y, kPageW - 166, row[1], 14, 0x222222) + 4);
  }
  return c->ToImage();
}

RgbImage EnemiesPage() {
  auto c = PageCanvas();
  cairo_t* cr = c->cr();
  const char* names[] = {"Истребитель", "Штурмовик", "Ганшип", "Носитель камикадзе", "Реактивный", "Транспорт"};
  for (int kind = 1; kind <= 6; ++kind) {
    const int col = (kind - 1) % 3, row = (kind - 1) / 3;
    const double x = 12 + col * 170, y = kPageTop + 8 + row * 76;
    const Size s = EnemySize(kind);
    const double scale = std::min(1.0, std::min(80.0 / s.w, 44.0 / s.h));
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    DrawEnemy(cr, kind, 0);
    cairo_restore(cr);
    c->Text(x, y + 48, names[kind - 1], 13, 0x222222);
  }
  struct Ground {
    const char* name;
    void (*draw)(cairo_t*);
    double scale;
  };
  const Ground ground[] = {{"Солдат", [](cairo_t* cr) { DrawSoldier(cr, false); }, 0.9},
                           {"Вышка", DrawTower, 0.45},
                           {"Ракетница", DrawNru, 0.75}};
  for (int i = 0; i < 3; ++i) {
    const double x = 12 + i * 170, y = kPageTop + 160;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, ground[i].scale, ground[i].scale);
    ground[i].draw(cr);
    cairo_restore(cr);
    c->Text(x + 70, y + 10, ground[i].name, 13, 0x222222);
  }
  return c->ToImage();
}

RgbImage BonusesPage() {
  auto c = PageCanvas();
  const char* meanings[] = {"Оружие: пушка мощнее на 15 секунд", "Щит: 15 секунд неуязвимости",
                            "Мега-бомба: уничтожает всех врагов", "Жизнь: ещё один самолёт", "Очки: сразу 100 очков"};
  for (int kind = 1; kind <= 5; ++kind) {
    const double y = kPageTop + 8 + (kind - 1) * 41;
    cairo_save(c->cr());
    cairo_translate(c->cr(), 16, y);
    DrawBonus(c->cr(), kind, 0, 34);
    cairo_restore(c->cr());
    c->Text(62, y + 6, meanings[kind - 1], 16, 0x222222);
  }
  return c->ToImage();
}

}  // namespace

std::vector<tools::PictureEntry> MenuGraphics() {
  std::vector<tools::PictureEntry> out;
  out.push_back(Picture("background", Background(), "TDIB", DibEncoding::kRgb24, false));
  for (int k = 0; k < 6; ++k)
    out.push_back(Picture("item" + std::to_string(k + 1), Highlight(k), k % 2 ? "TBitmap" : "TDIB",
                          k % 2 ? DibEncoding::kPal8 : DibEncoding::kRle8, true));
  // Sub-menu frame at (118, 123): room for the options, the records table
  // (134..662 x 173..397), the help pages and buttons (to y 448), and covering
  // the main menu's last caption below.
  // Nearly white, so that black, red and green texts all read on it.
  out.push_back(
      Picture("submenu", Panel(564, 424, 0xF8FAFC, 0xE9EFF4, 0x2B3A48), "TBitmap", DibEncoding::kRgb32Fields, true));
  // Dialog frame at (185, 120): the questions' texts run from x 241 to 480 and
  // from y 235 to 311 on the screen; the panel frames them.
  out.push_back(Picture("dialog", DialogPanel(430, 230, 28, 82, 322, 218), "TDIB", DibEncoding::kRgb32, true));
  out.push_back(Picture("help1",
                        TextPage("Вы - пилот маленького самолёта над бескрайней страной. "
                                 "Сбивайте вражеские самолёты, камикадзе и парашютистов, "
                                 "уничтожайте солдат, вышки и ракетные установки. "
                                 "Уровень пройден, когда сбито в десять раз больше врагов, чем его номер. "
                                 "С пятого уровня в бой вступают все враги. У вас три жизни; "
                                 "ловите падающие бонусы, а лучший счёт попадёт в таблицу рекордов."),
                        "TDIB", DibEncoding::kRgb24, true));
  out.push_back(Picture("help2", ControlsPage(), "TDIB", DibEncoding::kRgb24, true));
  out.push_back(Picture("help3", EnemiesPage(), "TDIB", DibEncoding::kRgb32, true));
  out.push_back(Picture("help4", BonusesPage(), "TBitmap", DibEncoding::kRgb24, true));
  out.push_back(Picture("help5",
                        TextPage("Aerovell\n\nДвухмерная аркада с горизонтальной прокруткой. "
                                 "Движок, картинки, звуки и музыка созданы с нуля самой игрой: "
                                 "рисунки - вектором, звуки - синтезом, музыка - собственным "
                                 "трекерным генератором.\n\nПриятного полёта!"),
                        "TDIB", DibEncoding::kRgb24, true));
  return out;
}

}  // namespace aerovell::mkassets
