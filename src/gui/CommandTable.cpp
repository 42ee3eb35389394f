#include "gui/CommandTable.h"

#include "gui/CommandIds.h"

#include <algorithm>
#include <utility>

namespace korvanix::gui {

namespace {

struct CommandStringEntry {
    int id;
    const char* text;
};

// The string table: prompt, "\n", short name.
const std::vector<CommandStringEntry>& CommandStrings() {
    static const std::vector<CommandStringEntry> strings = {
        {cmd::New, "Создать новую схему\nНовая схема"},
        {cmd::Open, "Открыть схему\nОткрыть схему"},
        {cmd::Save, "Сохранить схему в файл\nСохранить схему"},
        {cmd::SaveAs, "Сохранить схему в файл с другим именем\nСохранить схему как ..."},
        {cmd::SaveElementList, "Сохранить список элементов в файл\nСохранить список элементов"},
        {cmd::ExportScheme,
         "Сохранить рисунок всей схемы: PNG, SVG или PDF\nЭкспорт рисунка схемы"},
        {cmd::AutosaveInterval,
         "Как часто сохранять копию несохраненной схемы для восстановления после "
         "сбоя\nАвтосохранение"},
        {cmd::Exit, "Выйти из программы\nВыход"},
        {cmd::Undo, "Отменить последнее изменение схемы\nОтменить"},
        {cmd::Redo, "Повторить отмененное изменение схемы\nПовторить"},
        {cmd::Cut, "Поместить выделенные элементы в буфер обмена\nВырезать"},
        {cmd::Copy, "Копировать выделенные элементы в буфер обмена\nКопировать"},
        {cmd::Paste, "Вставить элементы из буфера обмена\nВставить"},
        {cmd::Delete, "Удалить выделенные элементы\nУдалить"},
        {cmd::SelectAll, "Выделить все элементы\nВыделить все"},
        {cmd::NodeNumbers, "Показать номера узлов\nПоказать номера узлов"},
        {cmd::ShowGrid, "Показать сетку и границы листа\nПоказать сетку"},
        {cmd::FitAll, "Показать все элементы схемы\nПоказать всю схему"},
        {cmd::ShowElementList, "Показать список элементов схемы"},
        {cmd::SheetSize, "Изменить ширину и высоту листа схемы"},
        {cmd::ZoomIn, "Увеличить масштаб схемы\nУвеличить масштаб"},
        {cmd::ZoomOut, "Уменьшить масштаб схемы\nУменьшить масштаб"},
        {cmd::SchemeSettings, "Изменить установки схемы\nУстановки схемы"},
        {cmd::Transient, "Выполнить расчет переходного процесса\nПереходный процесс"},
        {cmd::Frequency, "Выполнить расчет частотных характеристик\nАЧХ/ФЧХ"},
        {cmd::PoleZero,
         "Найти собственные частоты цепи, полюсы и нули передаточных функций\nПолюсы и нули"},
        {cmd::AnalysisSettings, "Изменить установки анализа\nУстановки анализа"},
        {cmd::HelpContents, "Содержание по использованию KORVANIX\nСправка"},
        {cmd::HelpIndex, "Указатель по использованию KORVANIX\nСправка"},
        {cmd::About, "Сведения об авторах\nО программе"},
        {cmd::PlaceText, "Добавить текст к схеме\nТекст"},
        {cmd::ElementParameters, "Изменить параметры элемента\nПараметры"},
        {cmd::PasteHere, "Вставить элементы из буфера обмена\nВставить"},
        {cmd::PaletteBasic, "Показать группу основных элементов\nОсновные элементы"},
        {cmd::PaletteSources, "Показать группу источников\nИсточники"},
        {cmd::PaletteActive, "Показать группу активных элементов\nАктивные элементы"},
        // The palette buttons have only a short name.
        {cmd::PlaceConnector, "\nСоединитель"},
        {cmd::PlaceGround, "\nЗемля"},
        {cmd::PlaceResistor, "\nРезистор"},
        {cmd::PlaceCapacitor, "\nКонденсатор"},
        {cmd::PlaceInductance, "\nИндуктивность"},
        {cmd::PlaceUnistor, "\nУнистор"},
        {cmd::PlaceVoltageSource, "\nИсточник напряжения"},
        {cmd::PlaceCurrentSource, "\nИсточник тока"},
        {cmd::PlaceVccs, "\nИсточник тока управляемый напряжением (ИТУН)"},
        {cmd::PlaceGyrator, "\nГиратор"},
        {cmd::PlaceVcvs, "\nИсточник напряжения управляемый напряжением (ИНУН)"},
        {cmd::PlaceCccs, "\nИсточник тока управляемый током (ИТУТ)"},
        {cmd::PlaceCcvs, "\nИсточник напряжения управляемый током (ИНУТ)"},
        {cmd::PlaceLamp, "\nЛампа"},
        {cmd::PlaceTransistor, "\nБиполярный транзистор n-p-n типа"},
        {cmd::PlaceTransformer, "\nИдеальный трансформатор"},
        {cmd::PlaceOpAmp, "\nИдеальный операционный усилитель (ОУ)"},
    };
    return strings;
}

QString SplitPart(const QString& text, QChar separator, bool after) {
    const int at = text.indexOf(separator);
    if (at < 0)
        return after ? QString() : text;
    return after ? text.mid(at + 1) : text.left(at);
}

} // namespace

const std::vector<MenuItemEntry>& ElementContextMenu() {
    static const std::vector<MenuItemEntry> items = {
        {cmd::Rotate, "П&овернуть"},
        {cmd::MirrorX, "Отобразить слева &направо"},
        {cmd::MirrorY, "Отобразить сверху &вниз"},
        {0, ""},
        {cmd::Cut, "В&ырезать\tCtrl+X"},
        {cmd::Copy, "&Копировать\tCtrl+C"},
        {cmd::Delete, "&Удалить\tDel"},
        {0, ""},
        {cmd::ElementParameters, "&Параметры..."},
    };
    return items;
}

const std::vector<MenuItemEntry>& SheetContextMenu() {
    static const std::vector<MenuItemEntry> items = {
        {cmd::HelpContents, "&Справка\tF1"},
        {0, ""},
        {cmd::ZoomIn, "Увеличить масштаб\tCtrl++"},
        {cmd::ZoomOut, "Уменьшить масштаб\tCtrl+-"},
        {cmd::SelectAll, "В&ыделить все"},
        {cmd::PasteHere, "&Вставить\tCtrl+V"},
        {0, ""},
        {cmd::SchemeSettings, "&Установки схемы..."},
    };
    return items;
}

const std::vector<MenuEntry>& MainMenus() {
    static const std::vector<MenuEntry> menus = {
        {"&Файл",
         {
             {cmd::New, "&Новый\tCtrl+N"},
             {cmd::Open, "&Открыть...\tCtrl+O"},
             {cmd::Save, "&Сохранить\tCtrl+S"},
             {cmd::SaveAs, "Сохранить &как..."},
             {0, ""},
             {cmd::SaveElementList, "Сохранить список &элементов..."},
             {cmd::ExportScheme, "Экспорт рисунка схемы..."},
             {0, ""},
             {cmd::AutosaveInterval, "&Автосохранение..."},
             {0, ""},
             {cmd::Exit, "В&ыход\tAlt+F4"},
         }},
        {"&Правка",
         {
             {cmd::Undo, "&Отменить\tCtrl+Z"},
             {cmd::Redo, "&Повторить\tCtrl+Y"},
             {0, ""},
             {cmd::Cut, "&Вырезать\tCtrl+X"},
             {cmd::Copy, "&Копировать\tCtrl+C"},
             {cmd::Paste, "Вст&авить\tCtrl+V"},
             {cmd::Delete, "&Удалить\tDel"},
             {0, ""},
             {cmd::SelectAll, "В&ыделить все     \tCtrl+A"},
         }},
        {"С&хема",
         {
             {cmd::NodeNumbers, "Показать &номера узлов"},
             {cmd::ShowGrid, "Показать &сетку"},
             {cmd::ShowElementList, "Показать список &элементов"},
             {0, ""},
             {cmd::SheetSize, "Изменить размеры &листа..."},
             {cmd::ZoomIn, "Увеличить масштаб\tCtrl++"},
             {cmd::ZoomOut, "Уменьшить масштаб\tCtrl+-"},
             {cmd::FitAll, "Показать всю схему"},
             {0, ""},
             {cmd::SchemeSettings, "&Установки..."},
         }},
        {"&Анализ",
         {
             {cmd::Transient, "&Переходный процесс...\tCtrl+T"},
             {cmd::Frequency, "&АЧХ/ФЧХ...\tCtrl+F"},
             {cmd::PoleZero, "П&олюсы и нули..."},
             {0, ""},
             {cmd::AnalysisSettings, "&Установки..."},
         }},
        {"&Справка",
         {
             {cmd::HelpContents, "&Содержание  \tF1"},
             {cmd::HelpIndex, "&Указатель..."},
             {0, ""},
             {cmd::About, "&О программе"},
         }},
    };
    return menus;
}

const std::vector<int>& MainToolbarButtons() {
    static const std::vector<int> buttons = {
        cmd::New,
        cmd::Open,
        cmd::Save,
        0,
        cmd::Cut,
        cmd::Copy,
        cmd::Paste,
        0,
        cmd::Undo,
        cmd::Redo,
        0,
        cmd::PlaceText,
        cmd::PaletteBasic,
        cmd::PaletteSources,
        cmd::PaletteActive,
        0,
        cmd::NodeNumbers,
        0,
        cmd::Transient,
        cmd::Frequency,
        cmd::PoleZero,
        0,
        cmd::Rotate,
        cmd::MirrorX,
        cmd::MirrorY,
        0,
        cmd::ZoomIn,
        cmd::ZoomOut,
        cmd::FitAll,
        0,
        cmd::HelpContents,
    };
    return buttons;
}

const std::vector<PaletteEntry>& Palettes() {
    static const std::vector<PaletteEntry> palettes = {
        {cmd::PaletteBasic,
         "Основные",
         {0, cmd::PlaceConnector, cmd::PlaceGround, 0, cmd::PlaceResistor, cmd::PlaceInductance,
          cmd::PlaceCapacitor, cmd::PlaceUnistor, 0, cmd::PlaceTransformer},
         200},
        {cmd::PaletteSources,
         "Источники",
         {0, cmd::PlaceVoltageSource, cmd::PlaceCurrentSource, 0, cmd::PlaceVccs, cmd::PlaceVcvs,
          cmd::PlaceCccs, cmd::PlaceCcvs, 0, cmd::PlaceGyrator},
         200},
        {cmd::PaletteActive,
         "Активные",
         {0, cmd::PlaceLamp, cmd::PlaceTransistor, cmd::PlaceOpAmp},
         90},
    };
    return palettes;
}

QString CommandString(int id) {
    const auto& strings = CommandStrings();
    const auto it = std::find_if(strings.begin(), strings.end(),
                                 [id](const CommandStringEntry& s) { return s.id == id; });
    return it == strings.end() ? QString() : QString::fromUtf8(it->text);
}

QString CommandPrompt(int id) {
    return SplitPart(CommandString(id), QLatin1Char('\n'), false);
}

QString CommandShortName(int id) {
    const QString text = CommandString(id);
    return text.contains(QLatin1Char('\n')) ? SplitPart(text, QLatin1Char('\n'), true) : text;
}

QString ItemText(const char* text) {
    return SplitPart(QString::fromUtf8(text), QLatin1Char('\t'), false);
}

QString ItemShortcutText(const char* text) {
    return SplitPart(QString::fromUtf8(text), QLatin1Char('\t'), true);
}

QList<QKeySequence> CommandShortcuts(int id) {
    QList<QKeySequence> keys;
    for (const MenuEntry& menu : MainMenus())
        for (const MenuItemEntry& item : menu.items)
            if (item.id == id && item.id != 0) {
                const QString shortcut = ItemShortcutText(item.text);
                if (!shortcut.isEmpty())
                    keys.append(QKeySequence::fromString(shortcut, QKeySequence::PortableText));
            }
    // The numeric pad sends its own key codes: the accelerator table names them apart.
    // Ctrl+= is where Ctrl++ is on most keyboards, without Shift.
    if (id == cmd::ZoomIn) {
        keys.append(QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus));
        keys.append(QKeySequence(Qt::ControlModifier | Qt::Key_Equal));
    }
    if (id == cmd::ZoomOut)
        keys.append(QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus));
    return keys;
}

bool IsCheckCommand(int id) {
    switch (id) {
    case cmd::PlaceText:
    case cmd::PaletteBasic:
    case cmd::PaletteSources:
    case cmd::PaletteActive:
    case cmd::NodeNumbers:
    case cmd::ShowGrid:
        return true;
    default:
        return cmd::PlacedKind(id) != 0;
    }
}

bool StartsDisabled(int id) {
    switch (id) {
    case cmd::Cut:
    case cmd::Copy:
    case cmd::Paste:
    case cmd::Rotate:
    case cmd::MirrorX:
    case cmd::MirrorY:
    case cmd::Undo:
    case cmd::Redo:
        return true;
    default:
        return false;
    }
}

} // namespace korvanix::gui
