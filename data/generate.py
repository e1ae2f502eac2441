#!/usr/bin/env python3
"""Writes the CSV sources of the sample directory of Верболинск and its district.

Every person, address and telephone number here is made up. The output is the same on every
run (a fixed seed, no hash-ordered iteration), so the committed CSVs can be regenerated and
compared. The build turns each <Folder>/<Table>.csv into the Paradox table Data/<Folder>/<Table>
with pxtool; a header names each field as NAME:TYPE[:LEN] and an empty value is a null.

    python3 data/generate.py [--out FOLDER]
"""

import argparse
import csv
import datetime
import os
import random

SEED = 19640512

# ---- people ----------------------------------------------------------------------------------

# Surnames in their masculine form; the feminine is made by the rule of each ending.
SURNAMES = """
Иванов Петров Смирнов Кузнецов Попов Васильев Соколов Михайлов Новиков Фёдоров Морозов Волков
Алексеев Лебедев Семёнов Егоров Павлов Козлов Степанов Николаев Орлов Андреев Макаров Никитин
Захаров Зайцев Соловьёв Борисов Яковлев Григорьев Романов Воробьёв Сергеев Кузьмин Фролов
Александров Дмитриев Королёв Гусев Киселёв Ильин Максимов Поляков Сорокин Виноградов Ковалёв
Белов Медведев Антонов Тарасов Жуков Баранов Филиппов Комаров Давыдов Беляев Герасимов Богданов
Осипов Сидоров Матвеев Титов Марков Миронов Крылов Куликов Карпов Власов Мельников Денисов
Гаврилов Тихонов Казаков Афанасьев Данилов Савельев Тимофеев Фомин Чернов Абрамов Мартынов
Ефимов Федотов Щербаков Назаров Калинин Исаев Чернышёв Быков Маслов Родионов Коновалов Лазарев
Воронин Климов Филатов Пономарёв Голубев Кудрявцев Прохоров Наумов Потапов Журавлёв Овчинников
Трофимов Леонов Соболев Ермаков Колесников Гончаров Емельянов Никифоров Грачёв Котов Гришин
Ефремов Архипов Громов Кириллов Малышев Панов Моисеев Румянцев Акимов Кондратьев Бирюков
Горбунов Анисимов Ерёмин Тихомиров Галкин Лукьянов Михеев Скворцов Юдин Белоусов Нестеров
Симонов Прокофьев Харитонов Князев Цветков Левин Митрофанов Воронов Аксёнов Софронов Мальцев
Логинов Горшков Савин Краснов Майоров Демидов Елисеев Рыбаков Сафонов Плотников Дёмин Хохлов
Щукин Вишняков Лапин Шубин Рожков Зуев Рябов Блинов Щёголев Вербицкий Покровский Вознесенский
Успенский Сосновский Яблонский Рождественский Шевченко Ковальчук Бондаренко Кравчук Коваленко
Лысенко Зинченко Черных Седых Белых Мельник Лозовой Толстой
""".split()

MALE_NAMES = """
Александр Алексей Анатолий Андрей Борис Валентин Валерий Василий Виктор Владимир Геннадий
Георгий Григорий Дмитрий Евгений Иван Игорь Константин Леонид Михаил Николай Олег Павел Пётр
Сергей Степан Юрий Фёдор Ярослав Эдуард Роман Аркадий Тимофей
""".split()

FEMALE_NAMES = """
Анна Антонина Валентина Вера Галина Елена Екатерина Зинаида Зоя Ирина Клавдия Лариса Любовь
Людмила Мария Надежда Наталья Нина Ольга Раиса Светлана Тамара Татьяна Юлия Эльвира Алла Ульяна
""".split()


def feminine(surname):
    if surname.endswith(("ов", "ев", "ёв", "ин", "ын")):
        return surname + "а"
    if surname.endswith("ский"):
        return surname[:-2] + "ая"
    if surname.endswith("ой"):
        return surname[:-2] + "ая"
    return surname  # -енко, -ук, -ых, Мельник: the same for both


def person(rng):
    """A subscriber as the directory writes one: "Иванов И.П."."""
    surname = rng.choice(SURNAMES)
    father = rng.choice(MALE_NAMES)
    if rng.random() < 0.55:
        name = rng.choice(MALE_NAMES)
    else:
        name = rng.choice(FEMALE_NAMES)
        surname = feminine(surname)
    return f"{surname} {name[0]}.{father[0]}."


def same_family(rng, fam):
    """Another member of the household: the same surname, in either gender."""
    surname = fam.split(" ", 1)[0]
    masculine = next(s for s in SURNAMES if surname in (s, feminine(s)))
    father = rng.choice(MALE_NAMES)
    if rng.random() < 0.5:
        return f"{masculine} {rng.choice(MALE_NAMES)[0]}.{father[0]}."
    return f"{feminine(masculine)} {rng.choice(FEMALE_NAMES)[0]}.{father[0]}."


def installed(rng, first_year=1961, last_year=2005):
    """The day a line was put in; a few old cards have no date."""
    if rng.random() < 0.03:
        return ""
    start = datetime.date(first_year, 1, 1).toordinal()
    end = datetime.date(last_year, 12, 31).toordinal()
    return datetime.date.fromordinal(rng.randint(start, end)).isoformat()


def phone(number):
    """A five-digit number written as the town writes it: 24137 -> "2-41-37"."""
    return f"{number // 10000}-{number // 100 % 100:02d}-{number % 100:02d}"


# ---- the town ---------------------------------------------------------------------------------

# (code, name, kind). Kinds: "block" flats in apartment houses, "private" private houses without
# flats, "mixed" both. Codes 17 and 29 belonged to streets since renamed into others; the last
# street is a new quarter that has no telephones yet.
STREETS = [
    (1, "ул. Ленина", "block"),
    (2, "ул. Советская", "block"),
    (3, "ул. Мира", "block"),
    (4, "ул. Гагарина", "block"),
    (5, "ул. Пушкина", "mixed"),
    (6, "ул. Кирова", "mixed"),
    (7, "ул. Комсомольская", "block"),
    (8, "ул. Октябрьская", "mixed"),
    (9, "ул. Первомайская", "mixed"),
    (10, "ул. Садовая", "private"),
    (11, "ул. Молодёжная", "block"),
    (12, "ул. Школьная", "mixed"),
    (13, "ул. Набережная", "mixed"),
    (14, "ул. Заводская", "mixed"),
    (15, "ул. Железнодорожная", "private"),
    (16, "ул. Пролетарская", "private"),
    (18, "ул. Чапаева", "private"),
    (19, "ул. Горького", "mixed"),
    (20, "ул. Лермонтова", "private"),
    (21, "ул. Чехова", "private"),
    (22, "ул. Тургенева", "private"),
    (23, "ул. Некрасова", "private"),
    (24, "ул. Фрунзе", "mixed"),
    (25, "ул. Калинина", "block"),
    (26, "ул. Маяковского", "private"),
    (27, "ул. Суворова", "private"),
    (28, "ул. Кутузова", "private"),
    (30, "ул. Победы", "block"),
    (31, "ул. Энергетиков", "block"),
    (32, "ул. Строителей", "block"),
    (33, "ул. Полевая", "private"),
    (34, "ул. Лесная", "private"),
    (35, "ул. Луговая", "private"),
    (36, "ул. Речная", "private"),
    (37, "ул. Берёзовая", "private"),
    (38, "ул. Верболинская", "mixed"),
    (39, "ул. 8 Марта", "mixed"),
    (40, "ул. 40 лет Октября", "block"),
    (41, "пл. Революции", "block"),
    (42, "пр. Ленинградский", "block"),
    (43, "пер. Садовый", "private"),
    (44, "пер. Школьный", "private"),
    (45, "пер. Почтовый", "private"),
    (46, "пер. Кооперативный", "private"),
    (47, "пер. Речной", "private"),
    (48, "пер. Ёлочный", "private"),
    (49, "туп. Тихий", "private"),
    (50, "ул. Новосёлов", "new"),
]

TOWN_SUBSCRIBERS = 4940  # one card per line; later cards and re-entered ones come on top
LATER_CARDS = 160  # entered after the table was last sorted, so they sit at its end
SHARED_LINES = 24  # communal flats: a second household member listed on the same number
DUPLICATE_CARDS = 41  # the same card entered twice


def house_numbers(rng, count):
    """House numbers as the street plates have them: "12", "12а", "7/2"."""
    numbers = []
    n = rng.choice((1, 1, 2))
    step = rng.choice((1, 2))
    for _ in range(count):
        numbers.append(str(n))
        roll = rng.random()
        if roll < 0.08:
            numbers.append(f"{n}{rng.choice('аб')}")
        elif roll < 0.12:
            numbers.append(f"{n}/{rng.randint(1, 3)}")
        n += step
    return numbers[:count]


def dwellings(rng, kind):
    """(house, flat) for every dwelling of a street; flat is "" for a private house."""
    out = []
    if kind == "new":
        return out
    if kind in ("block", "mixed"):
        blocks = rng.randint(6, 18) if kind == "block" else rng.randint(2, 6)
        for house in house_numbers(rng, blocks):
            flats = rng.choice((12, 18, 24, 36, 45, 60, 60, 72, 90))
            out.extend((house, str(flat)) for flat in range(1, flats + 1))
    if kind in ("private", "mixed"):
        houses = rng.randint(25, 70) if kind == "private" else rng.randint(10, 30)
        taken = {h for h, _ in out}
        for house in house_numbers(rng, houses + len(taken)):
            if house not in taken:
                out.append((house, ""))
    return out


def house_key(house):
    digits = ""
    for ch in house:
        if not ch.isdigit():
            break
        digits += ch
    return (int(digits or 0), house)


def town(rng):
    homes = []
    for code, _, kind in STREETS:
        homes.extend((code, house, flat) for house, flat in dwellings(rng, kind))
    chosen = rng.sample(homes, TOWN_SUBSCRIBERS)
    numbers = rng.sample(range(24000, 59999), TOWN_SUBSCRIBERS)
    cards = []
    for (code, house, flat), number in zip(chosen, numbers):
        cards.append([person(rng), phone(number), code, house, flat, installed(rng)])
    order = {code: i for i, (code, _, _) in enumerate(STREETS)}

    def card_key(card):
        flat = int(card[4]) if card[4] else 0
        return (order[card[2]], house_key(card[3]), flat, card[0])

    later = rng.sample(cards, LATER_CARDS)
    later_ids = {id(card) for card in later}
    sorted_cards = sorted((c for c in cards if id(c) not in later_ids), key=card_key)
    shared = []
    for card in rng.sample(sorted_cards, SHARED_LINES):
        shared.append([same_family(rng, card[0])] + card[1:5] + [installed(rng)])
    sorted_cards = sorted(sorted_cards + shared, key=card_key)
    duplicates = [list(card) for card in rng.sample(sorted_cards, DUPLICATE_CARDS)]
    tail = later + duplicates
    rng.shuffle(tail)
    return sorted_cards + tail


# ---- organisations ----------------------------------------------------------------------------

POSITIONS = """
Директор|Заместитель директора|Главный бухгалтер|Бухгалтерия|Приёмная|Секретарь|Отдел кадров
|Главный инженер|Инженер|Мастер|Начальник цеха|Диспетчер|Дежурный|Проходная|Вахта|Склад|Касса
|Главный врач|Заместитель главного врача|Заведующий отделением|Ординаторская|Пост медсестры
|Регистратура|Старшая медсестра|Учительская|Заведующая|Завуч|Методист|Начальник
|Заместитель начальника|Специалист|Юрист|Экономист|Факс|Продавец|Администратор|Охрана|Столовая
|Механик|Лаборант|Кладовщик|Глава администрации|Заместитель главы|Редактор|Корреспондент
|Оператор|Кассир|Управляющий|Председатель|Агроном|Зоотехник|Ветеринарный врач|Библиотекарь
|Художественный руководитель|Тренер|Справочная|Медицинская сестра|Начальник смены|Телефон доверия
""".replace("\n", "").split("|")

DEPARTMENTS = """
Администрация|Бухгалтерия|Отдел кадров|Производство|Хлебопекарный цех|Кондитерский цех|Гараж
|Склад|Отдел снабжения|Отдел сбыта|Плановый отдел|Технический отдел|Поликлиника
|Терапевтическое отделение|Хирургическое отделение|Детское отделение|Родильное отделение
|Инфекционное отделение|Лаборатория|Приёмное отделение|Аптечный пункт|Учебная часть|Пищеблок
|Общий отдел|Финансовый отдел|Отдел образования|Отдел культуры|Отдел архитектуры и строительства
|Отдел социальной защиты|Архив|Дежурная часть|Служба охраны|Торговый зал|Аварийная служба
|Абонентский отдел|Цех № 1|Цех № 2|Ремонтный цех|Линейный участок|Операционный зал|Редакция
|Отдел рекламы|Хозяйственная часть|Юридический отдел|Котельная|Энергослужба
|Машинно-тракторный парк|Животноводство|Растениеводство|Читальный зал|Абонемент|Спортивный зал
""".replace("\n", "").split("|")

# What telephones an organisation of each kind has: (position, department, how many lines).
TEMPLATES = {
    "administration": [
        ("Глава администрации", "Администрация", 1), ("Приёмная", "Администрация", 2),
        ("Факс", "Администрация", 1), ("Заместитель главы", "Администрация", 3),
        ("Главный бухгалтер", "Бухгалтерия", 1), ("Бухгалтерия", "Бухгалтерия", 3),
        ("Начальник", "Общий отдел", 1), ("Специалист", "Общий отдел", 2),
        ("Начальник", "Финансовый отдел", 1), ("Экономист", "Финансовый отдел", 3),
        ("Начальник", "Отдел образования", 1), ("Методист", "Отдел образования", 3),
        ("Начальник", "Отдел культуры", 1), ("Специалист", "Отдел культуры", 1),
        ("Начальник", "Отдел архитектуры и строительства", 1),
        ("Специалист", "Отдел архитектуры и строительства", 2),
        ("Начальник", "Отдел социальной защиты", 1), ("Специалист", "Отдел социальной защиты", 3),
        ("Юрист", "Юридический отдел", 2), ("Специалист", "Архив", 1),
        ("Отдел кадров", "Отдел кадров", 1), ("Вахта", "Хозяйственная часть", 1),
        ("Механик", "Гараж", 1),
    ],
    "hospital": [
        ("Главный врач", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Заместитель главного врача", "Администрация", 2), ("Главный бухгалтер", "Бухгалтерия", 1),
        ("Бухгалтерия", "Бухгалтерия", 2), ("Отдел кадров", "Отдел кадров", 1),
        ("Регистратура", "Поликлиника", 3), ("Заведующий отделением", "Поликлиника", 1),
        ("Справочная", "Поликлиника", 1),
        ("Заведующий отделением", "Терапевтическое отделение", 1),
        ("Ординаторская", "Терапевтическое отделение", 1),
        ("Пост медсестры", "Терапевтическое отделение", 2),
        ("Заведующий отделением", "Хирургическое отделение", 1),
        ("Ординаторская", "Хирургическое отделение", 1),
        ("Пост медсестры", "Хирургическое отделение", 1),
        ("Заведующий отделением", "Детское отделение", 1),
        ("Пост медсестры", "Детское отделение", 1),
        ("Заведующий отделением", "Родильное отделение", 1),
        ("Пост медсестры", "Родильное отделение", 1),
        ("Заведующий отделением", "Инфекционное отделение", 1),
        ("Пост медсестры", "Инфекционное отделение", 1), ("Лаборант", "Лаборатория", 2),
        ("Дежурный", "Приёмное отделение", 2), ("Старшая медсестра", "Администрация", 1),
        ("Столовая", "Пищеблок", 1), ("Механик", "Гараж", 1), ("Кладовщик", "Склад", 1),
        ("Медицинская сестра", "Аптечный пункт", 1),
    ],
    "clinic": [
        ("Главный врач", "Администрация", 1), ("Регистратура", "Поликлиника", 2),
        ("Бухгалтерия", "Бухгалтерия", 1), ("Медицинская сестра", "Поликлиника", 1),
    ],
    "ambulance": [
        ("Заведующая", "Администрация", 1), ("Диспетчер", "Дежурная часть", 3),
        ("Механик", "Гараж", 1),
    ],
    "school": [
        ("Директор", "Администрация", 1), ("Завуч", "Учебная часть", 2),
        ("Учительская", "Учебная часть", 1), ("Бухгалтерия", "Бухгалтерия", 1),
        ("Вахта", "Хозяйственная часть", 1), ("Столовая", "Пищеблок", 1),
    ],
    "kindergarten": [
        ("Заведующая", "Администрация", 1), ("Методист", "Администрация", 1),
        ("Столовая", "Пищеблок", 1),
    ],
    "small_school": [
        ("Директор", "Администрация", 1), ("Учительская", "Учебная часть", 1),
        ("Вахта", "Хозяйственная часть", 1),
    ],
    "plant": [
        ("Директор", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Факс", "Администрация", 1), ("Заместитель директора", "Администрация", 2),
        ("Главный инженер", "Технический отдел", 1), ("Инженер", "Технический отдел", 2),
        ("Главный бухгалтер", "Бухгалтерия", 1), ("Бухгалтерия", "Бухгалтерия", 2),
        ("Касса", "Бухгалтерия", 1), ("Отдел кадров", "Отдел кадров", 1),
        ("Экономист", "Плановый отдел", 2), ("Начальник", "Отдел снабжения", 1),
        ("Начальник", "Отдел сбыта", 1), ("Начальник цеха", "Цех № 1", 1),
        ("Мастер", "Цех № 1", 2), ("Начальник цеха", "Цех № 2", 1), ("Мастер", "Цех № 2", 1),
        ("Мастер", "Ремонтный цех", 1), ("Лаборант", "Лаборатория", 1),
        ("Начальник смены", "Энергослужба", 1), ("Оператор", "Котельная", 1),
        ("Механик", "Гараж", 1), ("Кладовщик", "Склад", 1), ("Проходная", "Служба охраны", 1),
    ],
    "bakery": [
        ("Директор", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Главный бухгалтер", "Бухгалтерия", 1), ("Бухгалтерия", "Бухгалтерия", 1),
        ("Начальник цеха", "Хлебопекарный цех", 1), ("Мастер", "Хлебопекарный цех", 2),
        ("Мастер", "Кондитерский цех", 1), ("Лаборант", "Лаборатория", 1),
        ("Диспетчер", "Отдел сбыта", 1), ("Кладовщик", "Склад", 1), ("Механик", "Гараж", 1),
        ("Проходная", "Служба охраны", 1),
    ],
    "company": [
        ("Директор", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Бухгалтерия", "Бухгалтерия", 1), ("Инженер", "Производство", 1),
        ("Мастер", "Производство", 1), ("Склад", "Склад", 1),
    ],
    "small_company": [
        ("Директор", "Администрация", 1), ("Бухгалтерия", "Бухгалтерия", 1),
        ("Склад", "Склад", 1),
    ],
    "utility": [
        ("Директор", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Главный инженер", "Технический отдел", 1), ("Бухгалтерия", "Бухгалтерия", 2),
        ("Специалист", "Абонентский отдел", 2), ("Диспетчер", "Аварийная служба", 2),
        ("Мастер", "Линейный участок", 2), ("Механик", "Гараж", 1),
        ("Отдел кадров", "Отдел кадров", 1),
    ],
    "shop": [
        ("Директор", "Администрация", 1), ("Продавец", "Торговый зал", 1),
        ("Склад", "Склад", 1),
    ],
    "small_shop": [("Заведующая", "Администрация", 1), ("Продавец", "Торговый зал", 1)],
    "state": [
        ("Начальник", "Администрация", 1), ("Заместитель начальника", "Администрация", 1),
        ("Приёмная", "Администрация", 1), ("Специалист", "Общий отдел", 3),
        ("Бухгалтерия", "Бухгалтерия", 1), ("Специалист", "Архив", 1),
    ],
    "police": [
        ("Начальник", "Администрация", 1), ("Заместитель начальника", "Администрация", 2),
        ("Дежурный", "Дежурная часть", 3), ("Телефон доверия", "Дежурная часть", 1),
        ("Специалист", "Отдел кадров", 1), ("Бухгалтерия", "Бухгалтерия", 1),
        ("Механик", "Гараж", 1),
    ],
    "fire": [
        ("Начальник", "Администрация", 1), ("Диспетчер", "Дежурная часть", 2),
        ("Начальник смены", "Дежурная часть", 1),
    ],
    "bank": [
        ("Управляющий", "Администрация", 1), ("Приёмная", "Администрация", 1),
        ("Главный бухгалтер", "Бухгалтерия", 1), ("Кассир", "Операционный зал", 2),
        ("Специалист", "Операционный зал", 2), ("Охрана", "Служба охраны", 1),
    ],
    "culture": [
        ("Директор", "Администрация", 1), ("Художественный руководитель", "Администрация", 1),
        ("Бухгалтерия", "Бухгалтерия", 1), ("Вахта", "Хозяйственная часть", 1),
    ],
    "library": [
        ("Директор", "Администрация", 1), ("Библиотекарь", "Абонемент", 1),
        ("Библиотекарь", "Читальный зал", 1),
    ],
    "newspaper": [
        ("Редактор", "Редакция", 1), ("Корреспондент", "Редакция", 2),
        ("Бухгалтерия", "Бухгалтерия", 1), ("Специалист", "Отдел рекламы", 1),
    ],
    "farm": [
        ("Председатель", "Администрация", 1), ("Бухгалтерия", "Бухгалтерия", 1),
        ("Агроном", "Растениеводство", 1), ("Зоотехник", "Животноводство", 1),
        ("Ветеринарный врач", "Животноводство", 1), ("Механик", "Машинно-тракторный парк", 1),
    ],
    "station": [
        ("Начальник", "Администрация", 1), ("Дежурный", "Дежурная часть", 1),
        ("Касса", "Операционный зал", 1), ("Справочная", "Операционный зал", 1),
    ],
    "hotel": [
        ("Администратор", "Администрация", 2), ("Директор", "Администрация", 1),
        ("Бухгалтерия", "Бухгалтерия", 1),
    ],
    "sport": [
        ("Директор", "Администрация", 1), ("Тренер", "Спортивный зал", 2),
        ("Вахта", "Хозяйственная часть", 1),
    ],
}

# (name, kind). Their order is the order they were entered in: the key Inc follows it.
ORGANISATIONS = [
    ("Администрация г. Верболинска", "administration"),
    ("Администрация Верболинского района", "administration"),
    ("Центральная районная больница", "hospital"),
    ("Станция скорой медицинской помощи", "ambulance"),
    ("Стоматологическая поликлиника", "clinic"),
    ("Детская поликлиника", "clinic"),
    ("Средняя школа № 1", "school"),
    ("Средняя школа № 2", "school"),
    ("Средняя школа № 3 им. А.С. Пушкина", "school"),
    ("Основная школа № 4", "small_school"),
    ("Гимназия № 5", "school"),
    ("Вечерняя (сменная) школа", "small_school"),
    ("Детский сад № 1 «Солнышко»", "kindergarten"),
    ("Детский сад № 2 «Берёзка»", "kindergarten"),
    ("Детский сад № 3 «Ромашка»", "kindergarten"),
    ("Детский сад № 5 «Колокольчик»", "kindergarten"),
    ("Детский сад № 7 «Теремок»", "kindergarten"),
    ("Профессиональное училище № 17", "school"),
    ("Детская музыкальная школа", "small_school"),
    ("Детско-юношеская спортивная школа", "sport"),
    ("ОАО «Верболинский льнокомбинат»", "plant"),
    ("ЗАО «Верболинский молочный завод»", "plant"),
    ("ООО «Верболинский хлебозавод»", "bakery"),
    ("МУП «Водоканал»", "utility"),
    ("МУП «Горэлектросеть»", "utility"),
    ("МУП «Жилкомсервис»", "utility"),
    ("ОАО «Райгаз»", "utility"),
    ('ООО "Стройдеталь"', "company"),
    ("ООО «Верболинский кирпичный завод»", "plant"),
    ("ЗАО «Лесхоз Верболинский»", "company"),
    ("ООО «Элеватор»", "company"),
    ("МУП «Типография»", "small_company"),
    ("Районное потребительское общество", "company"),
    ("СПК «Рассвет»", "farm"),
    ("СПК «Заря»", "farm"),
    ("Районная ветеринарная станция", "small_company"),
    ("Районный узел связи", "utility"),
    ("Почтамт", "station"),
    ("Отдел внутренних дел", "police"),
    ("Пожарная часть № 12", "fire"),
    ("Военный комиссариат", "state"),
    ("Районный суд", "state"),
    ("Прокуратура района", "state"),
    ("Налоговая инспекция", "state"),
    ("Управление Пенсионного фонда", "state"),
    ("Отдел ЗАГС", "small_company"),
    ("Нотариальная контора", "small_shop"),
    ("Сбербанк, Верболинское отделение", "bank"),
    ("Железнодорожная станция Верболинск", "station"),
    ("Автостанция", "station"),
    ("Районный Дом культуры", "culture"),
    ("Центральная районная библиотека", "library"),
    ("Краеведческий музей", "library"),
    ("Редакция газеты «Верболинский вестник»", "newspaper"),
    ("Гостиница «Верба»", "hotel"),
    ("Ресторан «Ива»", "small_shop"),
    ("Универмаг", "shop"),
    ("Магазин «Продукты» № 3", "small_shop"),
    ("Магазин «Хозтовары»", "small_shop"),
    ('Магазин "Книги"', "small_shop"),
    ("Центральный рынок", "small_company"),
    ("Баня", "small_shop"),
    ("Аптека № 5", "shop"),
    ("Аптека № 12", "small_shop"),
    ("ИП Кравчук (автосервис)", "small_shop"),
    ("Средняя школа № 6", "school"),
    ("ООО «Агроснаб»", "company"),
    ("Районные электрические сети", "utility"),
    ("Центр социального обслуживания населения", "state"),
    ("Дом детского творчества", "culture"),
    ("ООО «Верболинск-Инвест»", None),  # registered, no telephones yet
]

# Organisations deleted from the table; the auto-increment key never reuses their numbers.
DELETED_KEYS = (19, 48)
# Key -> code where they differ: organisations re-registered under a new code, and two utilities
# that were entered in one order and given their codes in the other.
CODES_DIFFERING = {8: 108, 23: 123, 25: 26, 26: 25, 44: 144, 61: 161}
EXTRA_LINES = 40  # a second reception or a fax that shares a number
DUPLICATE_LINES = 5  # the same line typed in twice


def organisations(rng):
    orgs = []
    key = 0
    for name, kind in ORGANISATIONS:
        key += 1
        while key in DELETED_KEYS:
            key += 1
        orgs.append((key, name, CODES_DIFFERING.get(key, key), kind))
    numbers = iter(rng.sample(range(21000, 23999), 1000))
    lines = []
    for _, _, code, kind in orgs:
        if kind is None:
            continue
        for position, department, count in TEMPLATES[kind]:
            if count > 1 and rng.random() < 0.3:
                count += rng.choice((-1, 1))
            for _ in range(count):
                lines.append([phone(next(numbers)), POSITIONS.index(position) + 1,
                              DEPARTMENTS.index(department) + 1, code])
    # A fax on the reception's number, a director who answers at the reception, ...
    sharing = [POSITIONS.index(name) + 1 for name in ("Приёмная", "Секретарь", "Факс")]
    for line in rng.sample(lines, EXTRA_LINES):
        position = rng.choice([p for p in sharing if p != line[1]])
        lines.append([line[0], position, line[2], line[3]])
    lines.sort(key=lambda line: (codes_order(orgs, line[3]), line[2], line[1], line[0]))
    lines.extend(list(line) for line in rng.sample(lines, DUPLICATE_LINES))
    return orgs, lines


def codes_order(orgs, code):
    for i, org in enumerate(orgs):
        if org[2] == code:
            return i
    raise ValueError(code)


# ---- the district -----------------------------------------------------------------------------

# (code, name, prefix of its numbers, subscribers, places served, field names); None for the
# exchange listed in the reference table whose subscriber table has not been delivered yet.
# One exchange keeps its cards under field names of its own: the directory shows the first five
# fields by position whatever they are called.
USUAL_FIELDS = ("FAM", "TELE", "ADR", "DOM", "KV", "DAT_UST", "ABON_PL")
EXCHANGES = [
    (1, "Каменка", 61, 640, ("с. Каменка", "д. Малые Вербы", "д. Гусевка"), USUAL_FIELDS),
    (2, "Ольховка", 62, 410, ("с. Ольховка", "д. Ключи"), USUAL_FIELDS),
    (3, "Заречье", 63, 230, ("с. Заречье", "д. Подгорное"), USUAL_FIELDS),
    (4, "Берёзовка", 64, 520, ("с. Берёзовка", "пос. Торфяной", "д. Ясная Поляна"), USUAL_FIELDS),
    (5, "Сосновка", 65, 305, ("с. Сосновка", "д. Лужки"), USUAL_FIELDS),
    (7, "Красный Бор", 67, 760, ("пос. Красный Бор", "д. Ёлкино", "д. Сычёвка"), USUAL_FIELDS),
    (10, "Дубровка", 70, 265, ("с. Дубровка", "д. Выселки"),
     ("FIO", "NOMER", "ADRES", "DOM", "KVART", "DATA", "SUMMA")),
    (12, "Покровское", None, 0, (), None),
]

VILLAGE_STREETS = """
ул. Центральная|ул. Садовая|ул. Школьная|ул. Полевая|ул. Лесная|ул. Луговая|ул. Новая
|ул. Молодёжная|ул. Речная|ул. Колхозная|ул. Зелёная|пер. Клубный
""".replace("\n", "").split("|")

MONTHLY_FEES = ("76.5", "98", "98", "112.4", "112.4", "112.4", "143.75")


def exchange_cards(rng, prefix, count, places):
    # About one home in two or three has a telephone; the central village has the most streets.
    homes = []
    size = max(30, count // 8)
    for i, place in enumerate(places):
        streets = rng.sample(VILLAGE_STREETS, rng.randint(5, 9)) if i == 0 else [None]
        for street in streets:
            address = f"{place}, {street}" if street else place
            houses = rng.randint(size, 2 * size) if street else rng.randint(size, 3 * size)
            for house in range(1, houses + 1):
                if i == 0 and rng.random() < 0.06:
                    homes.extend((address, str(house), str(f)) for f in range(1, 9))
                elif rng.random() < 0.12:
                    homes.extend((address, str(house), str(f)) for f in (1, 2))
                else:
                    homes.append((address, str(house), ""))
    assert len(homes) > count * 3 // 2, (places[0], len(homes), count)
    chosen = sorted(rng.sample(range(len(homes)), count))
    numbers = rng.sample(range(prefix * 1000, prefix * 1000 + 1000), count)
    cards = []
    for home_index, number in zip(chosen, numbers):
        address, house, flat = homes[home_index]
        fee = "" if rng.random() < 0.04 else rng.choice(MONTHLY_FEES)
        cards.append([person(rng), phone(number), address, house, flat,
                      installed(rng, 1968, 2005), fee])
    return cards


# ---- output -----------------------------------------------------------------------------------


def check(table, header, rows):
    """Every value must fit its field and have a form in code page 1251."""
    for row in rows:
        assert len(row) == len(header), (table, row)
        for column, value in zip(header, row):
            text = str(value)
            text.encode("cp1251")
            parts = column.split(":")
            if parts[1] == "A":
                assert len(text) <= int(parts[2]), (table, column, text)


def write(out, folder, table, header, rows):
    check(table, header, rows)
    os.makedirs(os.path.join(out, folder), exist_ok=True)
    with open(os.path.join(out, folder, table + ".csv"), "w", encoding="utf-8",
              newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(header)
        writer.writerows(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    out = parser.parse_args().out
    rng = random.Random(SEED)

    write(out, "Main", "spr_adr1.db", ["K_Y:I", "ADR_Y:A:40"],
          [[code, name] for code, name, _ in STREETS])
    write(out, "Gorod", "kvtel_1.DB",
          ["FAM:A:40", "TELE:A:10", "K_Y:I", "ADR_D:A:8", "ADR_K:A:6", "DAT_UST:D"], town(rng))

    orgs, lines = organisations(rng)
    write(out, "Org", "spr_org1.db", ["Inc:+", "Naim:A:80", "Kod_org:I"],
          [[key, name, code] for key, name, code, _ in orgs])
    write(out, "Org", "SPR_TEL2.DB", ["TELE:A:10", "DOLJNOST:I", "OTDEL:I", "KOD_ORG:I"], lines)
    write(out, "Org", "SPR_DOL.DB", ["DOLJNOST:I", "NAIM_DOL:A:40"],
          [[i + 1, name] for i, name in enumerate(POSITIONS)])
    write(out, "Org", "SPR_OTD1.DB", ["OTDEL:I", "NAIM_OTD:A:40"],
          [[i + 1, name] for i, name in enumerate(DEPARTMENTS)])

    write(out, "Main", "spr_sity.db", ["K_s:I", "Name_s:A:40"],
          [[code, name] for code, name, *_ in EXCHANGES])
    for code, _, prefix, count, places, fields in EXCHANGES:
        if fields is None:
            continue
        header = [f"{fields[0]}:A:40", f"{fields[1]}:A:10", f"{fields[2]}:A:40",
                  f"{fields[3]}:A:8", f"{fields[4]}:A:6", f"{fields[5]}:D", f"{fields[6]}:N"]
        write(out, "Region", f"Tel_k{code}.db", header,
              exchange_cards(rng, prefix, count, places))


if __name__ == "__main__":
    main()
