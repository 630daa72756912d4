#include "menu/menu_texts.h"

#include "platform/cp1251.h"

namespace aerovell {

const TMenuTexts& MenuTexts() {
  static const TMenuTexts texts = [] {
    auto t = [](const char* utf8) { return Utf8ToCp1251(utf8); };
    TMenuTexts m;
    m.Options = t("Опции");
    m.Mode = t("Режим:");
    m.Music = t("Музыка:");
    m.Sound = t("Звук:");
    m.Country = t("Ваша Страна:");
    m.HotKey = t("Хот клавиша:");
    m.Windowed = t("Оконный");
    m.SlashFullScreen = t("/ Полный экран");
    m.WindowedSlash = t("Оконный /");
    m.FullScreen = t("Полный экран");
    m.On = t("Вкл");
    m.SlashOff = t("/ Выкл");
    m.OnSlash = t("Вкл /");
    m.Off = t("Выкл");
    m.Back = t("Назад...");
    m.Place = t("Место");
    m.Name = t("Имя");
    m.Points = t("Очки");
    m.ViewOnline = t("Посмотреть рекорды на сайте");
    m.ClearRecords = t("Отчистить рекорды");
    m.Previous = t("Предыдущий");
    m.Next = t("Следующий");
    m.ReallyWant = t("Вы действительно хотите");
    m.ClearRecordsQuestion = t("отчистить рекорды?");
    m.PressKey = t("Нажмите нужную клавишу");
    const char* titles[] = {"Описание", "Управление", "Враги", "Бонусы", "Об Игре"};
    for (int i = 0; i < 5; ++i) m.HelpTitles[i] = t(titles[i]);
    return m;
  }();
  return texts;
}

}  // namespace aerovell
