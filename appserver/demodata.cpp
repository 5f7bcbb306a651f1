#include "demodata.h"

#include "marks.h"
#include "rowwriter.h"
#include "schema.h"
#include "values.h"

#include <QHash>
#include <QList>

#include <random>


using namespace Qt::StringLiterals;
using CommFunU::CellSep;

namespace {

constexpr std::mt19937::result_type Seed = 20020525;

// Draws from the fixed-seed generator; the arithmetic on its raw output is
// our own, so the data do not depend on a library's distributions.
class Dice
{
public:
    int below(int n) { return n <= 1 ? 0 : int(m_engine() % std::mt19937::result_type(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    const T &pick(const QList<T> &list) { return list[below(int(list.size()))]; }

private:
    std::mt19937 m_engine{Seed};
};

struct Party {
    QString code, name, fullName, english, salesman, contact, phone, address;
    QString goods, goodsShort, packing; // clients: what they ship
};

struct Carrier {
    QString code, name, fullName, blPrefix, boxPrefix;
    QStringList vessels;
};

struct Route {
    QString name;
    QList<QPair<QString, QStringList>> countries; // country, its ports
};

QString text(Amount a)
{
    return CommFunU::FormatAmount(a);
}

QString grouped(Amount a)
{
    return CommFunU::FormatGroupedAmount(a);
}

Amount units(qint64 n)
{
    return Amount::fromUnits(n);
}

// Amount with three decimals from thousandths.
Amount thousandths(qint64 n)
{
    return Amount::fromScaled(n * 10);
}

QString day(const QDate &d)
{
    return d.toString(u"yyyy-MM-dd"_s);
}

QString digits(Dice &dice, int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + dice.below(10));
    return s;
}

// A string grid stored in one column: the column count, then every cell
// followed by CellSep.
QString gridText(int columns, const QList<QStringList> &rows)
{
    QString s = QString::number(columns) + CellSep;
    for (const QStringList &row : rows) {
        for (int c = 0; c < columns; ++c)
            s += row.value(c) + CellSep;
    }
    return s;
}

QList<Route> routes()
{
    auto r = [](const QString &name, QList<QPair<QString, QStringList>> countries) {
        return Route{name, std::move(countries)};
    };
    auto c = [](const QString &country, const char *ports) {
        return qMakePair(country, QString::fromUtf8(ports).split(u'|'));
    };
    return {
        r(u"日本线"_s, {c(u"日本"_s, "TOKYO|YOKOHAMA|NAGOYA|OSAKA|KOBE|MOJI|HAKATA|SENDAI|NIIGATA|SHIMIZU|HIROSHIMA|"
                                    "TOYAMA|NAHA|KAWASAKI|CHIBA|YOKKAICHI|KITAKYUSHU|TOMAKOMAI|HAKODATE|KANAZAWA")}),
        r(u"韩国线"_s, {c(u"韩国"_s, "BUSAN|INCHEON|KWANGYANG|ULSAN|PYEONGTAEK|MASAN|GUNSAN|POHANG")}),
        r(u"东南亚线"_s,
          {c(u"新加坡"_s, "SINGAPORE"), c(u"马来西亚"_s, "PORT KELANG|PENANG|PASIR GUDANG|KUCHING|KOTA KINABALU|TANJUNG PELEPAS"),
           c(u"泰国"_s, "BANGKOK|LAEM CHABANG|SONGKHLA"),
           c(u"印度尼西亚"_s, "JAKARTA|SURABAYA|SEMARANG|BELAWAN|BATAM|MAKASSAR"),
           c(u"菲律宾"_s, "MANILA|CEBU|DAVAO|SUBIC BAY"), c(u"越南"_s, "HO CHI MINH|HAIPHONG|DA NANG|QUI NHON"),
           c(u"柬埔寨"_s, "SIHANOUKVILLE|PHNOM PENH"), c(u"缅甸"_s, "YANGON"), c(u"文莱"_s, "MUARA")}),
        r(u"印巴线"_s,
          {c(u"印度"_s, "NHAVA SHEVA|MUMBAI|CHENNAI|KOLKATA|MUNDRA|COCHIN|TUTICORIN|VISAKHAPATNAM"),
           c(u"巴基斯坦"_s, "KARACHI|PORT QASIM"), c(u"斯里兰卡"_s, "COLOMBO"), c(u"孟加拉"_s, "CHITTAGONG")}),
        r(u"中东线"_s,
          {c(u"阿联酋"_s, "DUBAI|JEBEL ALI|ABU DHABI|SHARJAH"), c(u"沙特阿拉伯"_s, "DAMMAM|JUBAIL"),
           c(u"科威特"_s, "SHUWAIKH|SHUAIBA"), c(u"卡塔尔"_s, "DOHA|HAMAD"), c(u"阿曼"_s, "MUSCAT|SOHAR|SALALAH"),
           c(u"巴林"_s, "BAHRAIN"), c(u"伊朗"_s, "BANDAR ABBAS|BUSHEHR"), c(u"伊拉克"_s, "UMM QASR")}),
        r(u"红海线"_s,
          {c(u"沙特阿拉伯"_s, "JEDDAH"), c(u"埃及"_s, "SOKHNA|PORT SAID"), c(u"约旦"_s, "AQABA"),
           c(u"苏丹"_s, "PORT SUDAN"), c(u"也门"_s, "HODEIDAH|ADEN"), c(u"吉布提"_s, "DJIBOUTI"),
           c(u"厄立特里亚"_s, "MASSAWA")}),
        r(u"地中海线"_s,
          {c(u"意大利"_s, "GENOA|LA SPEZIA|NAPLES|SALERNO|LIVORNO|VENICE|TRIESTE|GIOIA TAURO"),
           c(u"西班牙"_s, "BARCELONA|VALENCIA|ALGECIRAS"), c(u"法国"_s, "MARSEILLE|FOS"),
           c(u"希腊"_s, "PIRAEUS|THESSALONIKI"), c(u"土耳其"_s, "ISTANBUL|MERSIN|IZMIR|GEMLIK"),
           c(u"马耳他"_s, "MARSAXLOKK"), c(u"斯洛文尼亚"_s, "KOPER"), c(u"克罗地亚"_s, "RIJEKA"),
           c(u"以色列"_s, "HAIFA|ASHDOD"), c(u"黎巴嫩"_s, "BEIRUT"), c(u"叙利亚"_s, "LATTAKIA"),
           c(u"塞浦路斯"_s, "LIMASSOL"), c(u"阿尔及利亚"_s, "ALGIERS"), c(u"突尼斯"_s, "TUNIS"),
           c(u"利比亚"_s, "TRIPOLI"), c(u"摩洛哥"_s, "CASABLANCA")}),
        r(u"欧洲线"_s,
          {c(u"德国"_s, "HAMBURG|BREMERHAVEN"), c(u"荷兰"_s, "ROTTERDAM|AMSTERDAM"), c(u"比利时"_s, "ANTWERP|ZEEBRUGGE"),
           c(u"法国"_s, "LE HAVRE|DUNKIRK"), c(u"英国"_s, "FELIXSTOWE|SOUTHAMPTON|LONDON|LIVERPOOL|THAMESPORT"),
           c(u"爱尔兰"_s, "DUBLIN"), c(u"葡萄牙"_s, "LISBON|LEIXOES"), c(u"西班牙"_s, "BILBAO")}),
        r(u"北欧线"_s,
          {c(u"瑞典"_s, "GOTHENBURG|STOCKHOLM|HELSINGBORG"), c(u"挪威"_s, "OSLO|BERGEN"),
           c(u"丹麦"_s, "AARHUS|COPENHAGEN"), c(u"芬兰"_s, "HELSINKI|KOTKA"), c(u"波兰"_s, "GDANSK|GDYNIA"),
           c(u"俄罗斯"_s, "ST PETERSBURG"), c(u"立陶宛"_s, "KLAIPEDA"), c(u"拉脱维亚"_s, "RIGA"),
           c(u"爱沙尼亚"_s, "TALLINN")}),
        r(u"美西线"_s,
          {c(u"美国"_s, "LOS ANGELES|LONG BEACH|OAKLAND|SEATTLE|TACOMA|PORTLAND|SAN FRANCISCO|CHICAGO|DALLAS|"
                         "DENVER|MEMPHIS|KANSAS CITY")}),
        r(u"美东线"_s,
          {c(u"美国"_s, "NEW YORK|NORFOLK|CHARLESTON|SAVANNAH|BALTIMORE|BOSTON|MIAMI|JACKSONVILLE|HOUSTON|"
                         "NEW ORLEANS|PHILADELPHIA|WILMINGTON")}),
        r(u"加拿大线"_s, {c(u"加拿大"_s, "VANCOUVER|PRINCE RUPERT|MONTREAL|TORONTO|HALIFAX")}),
        r(u"中南美线"_s,
          {c(u"墨西哥"_s, "MANZANILLO|LAZARO CARDENAS|VERACRUZ"), c(u"巴拿马"_s, "BALBOA|COLON"),
           c(u"巴西"_s, "SANTOS|RIO DE JANEIRO|PARANAGUA|ITAJAI|RIO GRANDE"), c(u"阿根廷"_s, "BUENOS AIRES"),
           c(u"乌拉圭"_s, "MONTEVIDEO"), c(u"智利"_s, "SAN ANTONIO|VALPARAISO|IQUIQUE"), c(u"秘鲁"_s, "CALLAO"),
           c(u"厄瓜多尔"_s, "GUAYAQUIL"), c(u"哥伦比亚"_s, "BUENAVENTURA|CARTAGENA"),
           c(u"委内瑞拉"_s, "LA GUAIRA|PUERTO CABELLO"), c(u"危地马拉"_s, "PUERTO QUETZAL"),
           c(u"哥斯达黎加"_s, "PUERTO LIMON"), c(u"牙买加"_s, "KINGSTON"), c(u"多米尼加"_s, "CAUCEDO")}),
        r(u"澳新线"_s,
          {c(u"澳大利亚"_s, "SYDNEY|MELBOURNE|BRISBANE|FREMANTLE|ADELAIDE"),
           c(u"新西兰"_s, "AUCKLAND|WELLINGTON|LYTTELTON|TAURANGA"), c(u"巴布亚新几内亚"_s, "PORT MORESBY|LAE"),
           c(u"斐济"_s, "SUVA")}),
        r(u"非洲线"_s,
          {c(u"南非"_s, "DURBAN|CAPE TOWN|PORT ELIZABETH"), c(u"肯尼亚"_s, "MOMBASA"), c(u"坦桑尼亚"_s, "DAR ES SALAAM"),
           c(u"莫桑比克"_s, "MAPUTO"), c(u"尼日利亚"_s, "LAGOS|APAPA|TIN CAN ISLAND"), c(u"加纳"_s, "TEMA"),
           c(u"科特迪瓦"_s, "ABIDJAN"), c(u"多哥"_s, "LOME"), c(u"贝宁"_s, "COTONOU"), c(u"塞内加尔"_s, "DAKAR"),
           c(u"喀麦隆"_s, "DOUALA"), c(u"安哥拉"_s, "LUANDA"), c(u"毛里求斯"_s, "PORT LOUIS"),
           c(u"马达加斯加"_s, "TOAMASINA")}),
        r(u"近洋线"_s,
          {c(u"中国香港"_s, "HONG KONG"), c(u"中国台湾"_s, "KAOHSIUNG|KEELUNG|TAICHUNG"),
           c(u"中国"_s, "SHANGHAI|NINGBO|QINGDAO|XINGANG|DALIAN|XIAMEN|YANTIAN|GUANGZHOU")}),
        r(u"俄远东线"_s, {c(u"俄罗斯"_s, "VLADIVOSTOK|VOSTOCHNY|NAKHODKA")}),
    };
}

class Generator
{
public:
    Generator(RowSink &sink, const QDate &today)
        : m_writer(sink), m_today(today)
    {
    }

    bool run(QString *error);

private:
    bool insert(const QString &table, const QHash<QString, QString> &values);
    bool insert(const QString &table, const QStringList &values);
    bool exec(const QString &sql);
    bool masterData();
    bool exportJobs();
    bool importJobs();
    bool freightRates();
    bool exportFees(const QString &job, const QString &carrier, const QString &broker, const QString &fleet,
                    const QString &warehouse, const QString &agent, int boxes, bool lcl, bool submitted,
                    Amount *usd, Amount *rmb, Amount *usdRebate, Amount *rmbRebate);
    bool importFees(const QString &job, const QString &carrier, const QString &broker, const QString &fleet,
                    const QString &agent, int boxes, bool submitted, Amount *usd, Amount *rmb, Amount *usdRebate,
                    Amount *rmbRebate);
    bool financeRow(const QString &job, const Party &client, const QDate &sailed, Amount usd, Amount rmb,
                    bool usdRebate, bool rmbRebate, const QString &goods);
    QHash<QString, QString> jobDefaults() const;

    RowSink &m_writer;
    QDate m_today;
    Dice m_dice;
    QString m_error;

    QList<Party> m_clients, m_brokers, m_fleets, m_warehouses, m_agents;
    QList<Carrier> m_carriers;
    QList<Route> m_routes;
    QHash<QString, QString> m_countryOf;
    int m_invoice = 1000;
};

bool Generator::insert(const QString &table, const QHash<QString, QString> &values)
{
    const TableDef *def = Schema::find(table);
    QStringList row(def->columnCount());
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int at = def->columnIndex(it.key());
        if (at < 0) {
            m_error = u"demo data name a column %1 that %2 does not have"_s.arg(it.key(), table);
            return false;
        }
        row[at] = it.value();
    }
    return insert(table, row);
}

bool Generator::insert(const QString &table, const QStringList &values)
{
    if (m_writer.insert(table, values))
        return true;
    m_error = m_writer.error();
    return false;
}

bool Generator::exec(const QString &sql)
{
    if (m_writer.exec(sql))
        return true;
    m_error = m_writer.error();
    return false;
}

bool Generator::run(QString *error)
{
    m_routes = routes();
    for (const Route &route : std::as_const(m_routes)) {
        for (const auto &country : route.countries) {
            for (const QString &port : country.second)
                m_countryOf.insert(port, country.first);
        }
    }
    const bool ok = masterData() && exportJobs() && importJobs() && freightRates();
    if (!ok)
        *error = m_error;
    return ok;
}

bool Generator::masterData()
{
    // Departments (the general manager's office exists with the administrator).
    if (!exec(u"UPDATE 部门 SET 部门经理='王军', 直线电话='021-63218800', 传真='021-63218890' WHERE 部门名称='总经理室'"_s))
        return false;
    const QList<QStringList> departments{
        {u"海运出口部"_s, u"李华"_s, u"总经理室"_s, u"021-63218801"_s, u"021-63218891"_s},
        {u"海运进口部"_s, u"周强"_s, u"总经理室"_s, u"021-63218802"_s, u"021-63218892"_s},
        {u"财务部"_s, u"郑芳"_s, u"总经理室"_s, u"021-63218803"_s, u"021-63218893"_s},
        {u"市场部"_s, u"刘洋"_s, u"总经理室"_s, u"021-63218804"_s, u"021-63218894"_s},
    };
    QHash<QString, QString> phoneOf{{u"总经理室"_s, u"021-63218800"_s}};
    for (const QStringList &d : departments) {
        if (!insert(u"部门"_s, d))
            return false;
        phoneOf.insert(d[0], d[3]);
    }

    // Staff of every position; rights as the staff window presets them,
    // with the finance menu for the finance department.
    struct Person {
        const char *name, *user, *english, *department, *position, *rights, *born;
    };
    const Person people[] = {
        {"王军", "wangjun", "Wang Jun", "总经理室", "总经理", "11111111", "1965-04-12"},
        {"李华", "lihua", "Li Hua", "海运出口部", "部门经理", "11111101", "1972-09-03"},
        {"赵敏", "zhaomin", "Zhao Min", "海运出口部", "操作员", "11000000", "1980-02-17"},
        {"陈静", "chenjing", "Chen Jing", "海运出口部", "操作员", "11000000", "1982-11-25"},
        {"马超", "machao", "Ma Chao", "海运出口部", "操作员", "11000000", "1979-06-30"},
        {"周强", "zhouqiang", "Zhou Qiang", "海运进口部", "部门经理", "11111101", "1970-01-08"},
        {"吴霞", "wuxia", "Wu Xia", "海运进口部", "操作员", "11100000", "1983-07-19"},
        {"刘洋", "liuyang", "Liu Yang", "市场部", "业务员", "11000000", "1978-03-22"},
        {"孙丽", "sunli", "Sun Li", "市场部", "业务员", "11000000", "1981-12-05"},
        {"郑芳", "zhengfang", "Zheng Fang", "财务部", "财务经理", "11000011", "1969-10-14"},
        {"黄燕", "huangyan", "Huang Yan", "财务部", "财务员", "10000010", "1984-05-28"},
    };
    int n = 0;
    for (const Person &p : people) {
        const QString department = QString::fromUtf8(p.department);
        QStringList row{QString::fromUtf8(p.name), QString::fromUtf8(p.user), QString::fromLatin1(DemoData::StaffPasswordDigest),
                        QString::fromUtf8(p.english), QString::fromLatin1(p.born),
                        day(m_today.addYears(-2 - n % 6).addDays(-37 * n)), QString(), department,
                        QString::fromUtf8(p.position), phoneOf.value(department), u"021-63218890"_s,
                        n % 3 == 0 ? u"人事局"_s : u"本单位"_s, u"SH"_s + QString::number(310000 + 137 * n),
                        u"在本公司"_s, QString::fromLatin1(p.user) + u"@korvan-sh.com"_s,
                        u"021-5"_s + QString::number(1234567 + 7919 * n), u"139"_s + QString::number(16020000 + 31337 * n),
                        u"上海市浦东新区张杨路"_s + QString::number(100 + 11 * n) + u"号"_s, u"200120"_s};
        for (const char *r = p.rights; *r; ++r)
            row << QString(QLatin1Char(*r));
        if (!insert(u"职员"_s, row))
            return false;
        ++n;
    }

    // Units: clients, booking parties and shipping lines, customs brokers,
    // truck fleets, warehouses, overseas agents.
    m_clients = {
        {u"HXFZ"_s, u"华星纺织"_s, u"上海华星纺织品进出口有限公司"_s, u"HUAXING TEXTILES IMP. & EXP. CO.,LTD."_s, u"刘洋"_s,
         u"张伟"_s, u"021-62781234"_s, u"上海市长宁区中山西路1288号"_s, u"100% COTTON KNITTED T-SHIRTS"_s, u"T恤"_s,
         u"CARTON(S)"_s},
        {u"SDMY"_s, u"申达贸易"_s, u"上海申达贸易有限公司"_s, u"SHENDA TRADING CO.,LTD."_s, u"刘洋"_s, u"王芳"_s,
         u"021-63451122"_s, u"上海市黄浦区南京东路300号"_s, u"LADIES' WOVEN JACKETS"_s, u"女式夹克"_s, u"CARTON(S)"_s},
        {u"JLWJ"_s, u"金龙五金"_s, u"上海金龙五金制品有限公司"_s, u"JINLONG HARDWARE PRODUCTS CO.,LTD."_s, u"孙丽"_s,
         u"李强"_s, u"021-57123456"_s, u"上海市松江区九亭工业区18号"_s, u"HAND TOOLS AND HARDWARE"_s, u"五金工具"_s,
         u"PALLET(S)"_s},
        {u"DFDQ"_s, u"东方电器"_s, u"上海东方电器集团有限公司"_s, u"ORIENT ELECTRIC GROUP CO.,LTD."_s, u"孙丽"_s, u"刘敏"_s,
         u"021-58451234"_s, u"上海市浦东新区金桥路1088号"_s, u"ELECTRIC FANS AND HEATERS"_s, u"电扇"_s, u"CARTON(S)"_s},
        {u"HMWJ"_s, u"华美玩具"_s, u"上海华美玩具有限公司"_s, u"HUAMEI TOYS CO.,LTD."_s, u"刘洋"_s, u"陈晨"_s,
         u"021-69123456"_s, u"上海市嘉定区南翔镇沪宜公路2200号"_s, u"PLASTIC TOYS"_s, u"塑料玩具"_s, u"CARTON(S)"_s},
        {u"XTFZ"_s, u"新天服装"_s, u"上海新天服装有限公司"_s, u"XINTIAN GARMENTS CO.,LTD."_s, u"孙丽"_s, u"杨洁"_s,
         u"021-64781234"_s, u"上海市闵行区莘庄工业区春东路508号"_s, u"MEN'S COTTON TROUSERS"_s, u"男裤"_s, u"CARTON(S)"_s},
        {u"BLHG"_s, u"宝龙化工"_s, u"上海宝龙化工有限公司"_s, u"BAOLONG CHEMICAL CO.,LTD."_s, u"刘洋"_s, u"黄勇"_s,
         u"021-56781234"_s, u"上海市宝山区月浦工业园12号"_s, u"TITANIUM DIOXIDE"_s, u"钛白粉"_s, u"BAG(S)"_s},
        {u"YHJJ"_s, u"永华家具"_s, u"上海永华家具有限公司"_s, u"YONGHUA FURNITURE CO.,LTD."_s, u"孙丽"_s, u"周杰"_s,
         u"021-59781234"_s, u"上海市青浦区华新镇华腾路1555号"_s, u"WOODEN FURNITURE"_s, u"木家具"_s, u"CARTON(S)"_s},
        {u"GMDZ"_s, u"光明电子"_s, u"上海光明电子科技有限公司"_s, u"GUANGMING ELECTRONICS TECHNOLOGY CO.,LTD."_s,
         u"李华"_s, u"吴刚"_s, u"021-50781234"_s, u"上海市浦东新区张江高科技园区碧波路690号"_s,
         u"LED LIGHTING PRODUCTS"_s, u"LED灯具"_s, u"CARTON(S)"_s},
        {u"HTTC"_s, u"海天陶瓷"_s, u"上海海天陶瓷有限公司"_s, u"HAITIAN CERAMICS CO.,LTD."_s, u"李华"_s, u"赵磊"_s,
         u"021-57981234"_s, u"上海市金山区亭林镇林盛路88号"_s, u"CERAMIC TABLEWARE"_s, u"陶瓷餐具"_s, u"CASE(S)"_s},
    };
    m_carriers = {
        {u"COSCO"_s, u"中远集运"_s, u"中远集装箱运输有限公司"_s, u"COSU"_s, u"CBHU"_s,
         {u"COSCO ASIA"_s, u"COSCO PRIDE"_s, u"XIN SHANGHAI"_s}},
        {u"CSCL"_s, u"中海集运"_s, u"中海集装箱运输股份有限公司"_s, u"CSLU"_s, u"CCLU"_s,
         {u"CSCL VENUS"_s, u"XIN BEIJING"_s, u"CSCL PUSAN"_s}},
        {u"MSK"_s, u"马士基"_s, u"马士基(中国)航运有限公司"_s, u"MAEU"_s, u"MSKU"_s, {u"MAERSK KENDAL"_s, u"MAERSK ESSEN"_s}},
        {u"EMC"_s, u"长荣海运"_s, u"长荣海运(中国)代理有限公司"_s, u"EGLV"_s, u"EMCU"_s, {u"EVER LOVELY"_s, u"EVER UNION"_s}},
        {u"NYK"_s, u"日本邮船"_s, u"日本邮船(中国)有限公司"_s, u"NYKS"_s, u"NYKU"_s, {u"NYK OLYMPUS"_s, u"NYK LEO"_s}},
        {u"OOCL"_s, u"东方海外"_s, u"东方海外货柜航运(中国)有限公司"_s, u"OOLU"_s, u"OOLU"_s,
         {u"OOCL HONG KONG"_s, u"OOCL TOKYO"_s}},
        {u"MSC"_s, u"地中海航运"_s, u"地中海航运(中国)有限公司"_s, u"MEDU"_s, u"MSCU"_s, {u"MSC ANNA"_s, u"MSC OSCAR"_s}},
        {u"APL"_s, u"美国总统轮船"_s, u"美国总统轮船(中国)有限公司"_s, u"APLU"_s, u"APLU"_s, {u"APL CHINA"_s, u"APL KOREA"_s}},
        {u"HMM"_s, u"现代商船"_s, u"现代商船(中国)有限公司"_s, u"HDMU"_s, u"HDMU"_s, {u"HYUNDAI PRIDE"_s, u"HYUNDAI FAITH"_s}},
        {u"CMA"_s, u"达飞轮船"_s, u"达飞轮船(中国)有限公司"_s, u"CMDU"_s, u"CMAU"_s, {u"CMA CGM MARCO POLO"_s, u"CMA CGM BIZET"_s}},
    };
    m_brokers = {{u"DFBG"_s, u"东方报关"_s, u"上海东方报关有限公司"_s, {}, {}, u"徐明"_s, u"021-68781001"_s,
                  u"上海市浦东新区外高桥保税区"_s, {}, {}, {}},
                 {u"WYBG"_s, u"外运报关"_s, u"上海外运报关有限公司"_s, {}, {}, u"钱进"_s, u"021-65781002"_s,
                  u"上海市虹口区东大名路"_s, {}, {}, {}},
                 {u"PDBG"_s, u"浦东报关"_s, u"上海浦东报关服务有限公司"_s, {}, {}, u"何平"_s, u"021-58781003"_s,
                  u"上海市浦东新区浦东大道"_s, {}, {}, {}}};
    m_fleets = {{u"QSCD"_s, u"强生车队"_s, u"上海强生集装箱运输有限公司"_s, {}, {}, u"朱斌"_s, u"021-56121001"_s,
                 u"上海市宝山区长江西路"_s, {}, {}, {}},
                {u"JJCD"_s, u"锦江车队"_s, u"上海锦江集装箱车队"_s, {}, {}, u"沈涛"_s, u"021-56121002"_s,
                 u"上海市浦东新区五洲大道"_s, {}, {}, {}},
                {u"PJCD"_s, u"浦江车队"_s, u"上海浦江物流车队"_s, {}, {}, u"韩冬"_s, u"021-56121003"_s,
                 u"上海市闵行区浦江镇"_s, {}, {}, {}}};
    m_warehouses = {{u"WGQC"_s, u"外高桥仓库"_s, u"上海外高桥物流仓库"_s, {}, {}, u"冯亮"_s, u"021-50461001"_s,
                     u"上海市浦东新区外高桥港区洲海路999号"_s, {}, {}, {}},
                    {u"YSCK"_s, u"洋山仓库"_s, u"上海洋山港物流仓库"_s, {}, {}, u"曹阳"_s, u"021-68281002"_s,
                     u"上海市浦东新区洋山深水港区"_s, {}, {}, {}},
                    {u"PDCK"_s, u"浦东仓库"_s, u"上海浦东集装箱仓库"_s, {}, {}, u"彭飞"_s, u"021-58461003"_s,
                     u"上海市浦东新区港城路"_s, {}, {}, {}}};
    m_agents = {{u"HAMAG"_s, u"汉堡代理"_s, u"HANSA LOGISTICS GMBH"_s, u"HANSA LOGISTICS GMBH\r\nHAMBURG, GERMANY"_s, {},
                 u"MR. SCHMIDT"_s, u"+49-40-3012345"_s, u"HAMBURG"_s, {}, {}, {}},
                {u"LAXAG"_s, u"洛杉矶代理"_s, u"PACIFIC GATEWAY INC."_s, u"PACIFIC GATEWAY INC.\r\nLOS ANGELES, CA, USA"_s,
                 {}, u"MS. JOHNSON"_s, u"+1-310-5551234"_s, u"LOS ANGELES"_s, {}, {}, {}},
                {u"SINAG"_s, u"新加坡代理"_s, u"LION CITY SHIPPING PTE LTD"_s,
                 u"LION CITY SHIPPING PTE LTD\r\nSINGAPORE"_s, {}, u"MR. TAN"_s, u"+65-62251234"_s, u"SINGAPORE"_s, {}, {}, {}},
                {u"ROTAG"_s, u"鹿特丹代理"_s, u"MAAS FORWARDING B.V."_s, u"MAAS FORWARDING B.V.\r\nROTTERDAM, NETHERLANDS"_s,
                 {}, u"MR. DE VRIES"_s, u"+31-10-4123456"_s, u"ROTTERDAM"_s, {}, {}, {}},
                {u"TYOAG"_s, u"东京代理"_s, u"SAKURA LOGISTICS CO.,LTD."_s, u"SAKURA LOGISTICS CO.,LTD.\r\nTOKYO, JAPAN"_s,
                 {}, u"MR. SATO"_s, u"+81-3-35551234"_s, u"TOKYO"_s, {}, {}, {}}};

    // 委托人 订舱单位 报关行 仓库 车队 船公司 航空公司 代理 其他
    auto unitRow = [](const Party &p, const char *roles, const QString &english, const QString &email) {
        QStringList row{p.code, p.name, p.fullName, email, p.contact, p.phone, p.phone.left(p.phone.size() - 1) + u'9',
                        p.address, p.fullName, english.section(u"\r\n"_s, 0, 0), english, p.salesman};
        for (const char *r = roles; *r; ++r)
            row << QString(QLatin1Char(*r));
        return row;
    };
    for (const Party &p : std::as_const(m_clients)) {
        const QString english = p.english + u"\r\n"_s + p.address;
        if (!insert(u"单位"_s, unitRow(p, "100000000", english, p.code.toLower() + u"@163.com"_s)))
            return false;
    }
    for (const Carrier &c : std::as_const(m_carriers)) {
        const Party p{c.code, c.name, c.fullName, {}, u"刘洋"_s, u"订舱部"_s, u"021-6358"_s + QString::number(1000 + c.code.size() * 111),
                      u"上海市虹口区东大名路"_s, {}, {}, {}};
        if (!insert(u"单位"_s, unitRow(p, "010001000", c.fullName, u"booking@"_s + c.code.toLower() + u".com"_s)))
            return false;
    }
    for (const Party &p : std::as_const(m_brokers)) {
        if (!insert(u"单位"_s, unitRow(p, "001000000", QString(), QString())))
            return false;
    }
    for (const Party &p : std::as_const(m_warehouses)) {
        if (!insert(u"单位"_s, unitRow(p, "000100000", QString(), QString())))
            return false;
    }
    for (const Party &p : std::as_const(m_fleets)) {
        if (!insert(u"单位"_s, unitRow(p, "000010000", QString(), QString())))
            return false;
    }
    for (const Party &p : std::as_const(m_agents)) {
        if (!insert(u"单位"_s, unitRow(p, "000000010", p.english, QString())))
            return false;
    }

    // Ports, numbered in route order.
    int number = 0;
    for (const Route &route : std::as_const(m_routes)) {
        for (const auto &country : route.countries) {
            for (const QString &port : country.second) {
                if (!insert(u"港口"_s, {QString::number(++number), route.name, country.first, port}))
                    return false;
            }
        }
    }
    return true;
}

QHash<QString, QString> Generator::jobDefaults() const
{
    QHash<QString, QString> v;
    for (const char *flag : {"货物已报关", "货物已退关", "船公司提单", "货代提单", "分配车队", "分配仓库", "自做箱", "倒签", "预借",
                             "电放", "分批", "转船", "手册已退单", "手册已寄发", "提单已签发", "提单已寄发", "核销单已退单",
                             "核销单已寄发"})
        v.insert(QString::fromUtf8(flag), u"0"_s);
    v.insert(u"船公司提单"_s, u"1"_s);
    v.insert(u"FromServerType"_s, u"CY"_s);
    v.insert(u"ToServerType"_s, u"CY"_s);
    v.insert(u"作业码头"_s, u"九区"_s);
    v.insert(u"货物种类"_s, u"Ordinary(一般货物)"_s);
    v.insert(u"做箱情况"_s, u"0"_s);
    v.insert(u"装箱入仓时间"_s, u"09:00"_s);
    return v;
}

// The fee row of an export job, with every subtotal, total and profit as the
// fee window computes them.
bool Generator::exportFees(const QString &job, const QString &carrier, const QString &broker, const QString &fleet,
                           const QString &warehouse, const QString &agent, int boxes, bool lcl, bool submitted,
                           Amount *usd, Amount *rmb, Amount *usdRebate, Amount *rmbRebate)
{
    QHash<QString, QString> v;
    const QStringList &columns = Schema::find(u"货运出口费用明细"_s)->columns;
    for (const QString &c : columns) {
        if (c.startsWith(u'f') || c.size() <= 2)
            v.insert(c, u"0.000"_s);
    }
    auto set = [&](const char *column, Amount a) { v.insert(QString::fromLatin1(column), text(a)); };
    v.insert(u"业务编号"_s, job);
    v.insert(u"订舱单位"_s, carrier);
    v.insert(u"报关行"_s, broker);
    v.insert(u"车队"_s, fleet);
    v.insert(u"仓库"_s, warehouse);
    v.insert(u"代理"_s, agent);
    v.insert(u"MBL付款方式"_s, u"0"_s);
    v.insert(u"HBL付款方式"_s, u"0"_s);
    v.insert(u"已提交"_s, submitted ? u"1"_s : QString());

    // Client, USD: ocean freight and surcharges.
    const Amount freight = units(lcl ? m_dice.between(3, 9) * 10 : boxes * m_dice.between(8, 16) * 100);
    const Amount baf = units(lcl ? 0 : boxes * m_dice.between(1, 3) * 50);
    const Amount rebate = m_dice.chance(30) ? units(lcl ? 5 : boxes * 20) : Amount();
    set("f101", freight);
    set("f102", baf);
    set("f109", rebate);
    const Amount clientUsd = freight + baf;
    set("f110", clientUsd);
    // Client, RMB: booking, customs, trucking, THC, documents.
    Amount clientRmb;
    const QList<std::pair<const char *, qint64>> rmbItems{
        {"f201", 500}, {"f202", 350}, {"f203", lcl ? 0 : 1100 * boxes}, {"f205", lcl ? 0 : 680 * boxes}, {"f206", 0}};
    for (const auto &[column, value] : rmbItems) {
        set(column, units(value));
        clientRmb += units(value);
    }
    const Amount lumpSum = m_dice.chance(10) ? units(m_dice.between(15, 40) * 100) : Amount();
    v.insert(u"f218"_s, grouped(lumpSum));
    if (!lumpSum.isZero())
        clientRmb = lumpSum;
    const Amount rmbRebate_ = m_dice.chance(20) ? units(100 * boxes) : Amount();
    set("f217", rmbRebate_);
    set("f219", clientRmb);
    v.insert(u"收费备注"_s, lumpSum.isZero() ? QString() : u"人民币包干"_s);

    // Booking party, USD: the carrier's freight and our commission on it.
    const Amount carrierFreight = freight - units(lcl ? 10 : boxes * 100);
    const Amount rate = units(lcl ? 0 : 5);
    const Amount comm = Amount::fromScaled(carrierFreight.scaled() * rate.scaled() / Amount::Scale / 100);
    set("f301", carrierFreight);
    set("f302", rate);
    set("f303", comm);
    set("f304", baf);
    const Amount bookingUsd = carrierFreight + baf;
    set("f310", bookingUsd);
    const Amount bookingRmb = units(lcl ? 150 : 650 * boxes);
    set("f402", bookingRmb);
    set("f407", bookingRmb);
    const Amount brokerRmb = units(280);
    set("f501", brokerRmb);
    set("f507", brokerRmb);
    const Amount fleetRmb = fleet.isEmpty() ? Amount() : units(1000 * boxes);
    set("f601", fleetRmb);
    set("f607", fleetRmb);
    const Amount warehouseRmb = warehouse.isEmpty() ? Amount() : units(lcl ? 180 : 450 * boxes);
    set("f702", warehouseRmb);
    set("f709", warehouseRmb);
    // The agent: handling fee receivable, nothing payable.
    const Amount agentIn = agent.isEmpty() ? Amount() : units(lcl ? 15 : 25 * boxes);
    set("f807", agentIn);
    set("f809", agentIn);
    v.insert(u"fa17"_s, grouped(Amount()));

    set("A1", clientUsd + agentIn + comm);
    set("A2", bookingUsd + rebate);
    set("A", clientUsd - rebate + comm - bookingUsd + agentIn);
    set("B1", clientRmb);
    set("B2", bookingRmb + brokerRmb + fleetRmb + warehouseRmb + rmbRebate_);
    set("B", clientRmb - rmbRebate_ - bookingRmb - brokerRmb - fleetRmb - warehouseRmb);
    *usd = clientUsd;
    *rmb = clientRmb;
    *usdRebate = rebate;
    *rmbRebate = rmbRebate_;
    return insert(u"货运出口费用明细"_s, v);
}

bool Generator::importFees(const QString &job, const QString &carrier, const QString &broker, const QString &fleet,
                           const QString &agent, int boxes, bool submitted, Amount *usd, Amount *rmb,
                           Amount *usdRebate, Amount *rmbRebate)
{
    QHash<QString, QString> v;
    for (const QString &c : Schema::find(u"货运进口费用明细"_s)->columns) {
        if (c.startsWith(u'f') || c.size() <= 2)
            v.insert(c, u"0.000"_s);
    }
    auto set = [&](const char *column, Amount a) { v.insert(QString::fromLatin1(column), text(a)); };
    v.insert(u"业务编号"_s, job);
    v.insert(u"船公司"_s, carrier);
    v.insert(u"报关行"_s, broker);
    v.insert(u"车队"_s, fleet);
    v.insert(u"仓库"_s, QString());
    v.insert(u"代理"_s, agent);
    v.insert(u"MBL付款方式"_s, u"1"_s);
    v.insert(u"HBL付款方式"_s, u"0"_s);
    v.insert(u"已提交"_s, submitted ? u"1"_s : QString());

    // Client, USD: a collect freight share and the commission refund on it.
    const Amount freight = m_dice.chance(40) ? units(boxes * m_dice.between(3, 8) * 100) : Amount();
    const Amount rate = freight.isZero() ? Amount() : units(3);
    const Amount rebate = Amount::fromScaled(freight.scaled() * rate.scaled() / Amount::Scale / 100);
    set("f101", freight);
    v.insert(u"f102"_s, text(rate));
    set("f103", rebate);
    set("f110", freight);
    // Client, RMB: exchange of the delivery order, THC, customs, trucking.
    Amount clientRmb;
    const QList<std::pair<const char *, qint64>> items{
        {"f201", 300}, {"f202", 800 * boxes}, {"f207", 400}, {"f208", m_dice.chance(20) ? 350 : 0},
        {"f217", 1300 * boxes}};
    for (const auto &[column, value] : items) {
        set(column, units(value));
        clientRmb += units(value);
    }
    v.insert(u"f223"_s, grouped(Amount()));
    const Amount rmbRebate_ = m_dice.chance(15) ? units(50 * boxes) : Amount();
    v.insert(u"f2231"_s, text(rmbRebate_));
    set("f224", clientRmb);

    const Amount lineUsd = freight.isZero() ? Amount() : freight - units(boxes * 50);
    set("f301", lineUsd);
    set("f310", lineUsd);
    const Amount lineRmb = units(250 + 600 * boxes);
    set("f401", units(250));
    set("f402", units(600 * boxes));
    set("f404", lineRmb);
    const Amount brokerRmb = units(300);
    set("f501", brokerRmb);
    set("f509", brokerRmb);
    const Amount fleetRmb = units(1050 * boxes);
    set("f604", fleetRmb);
    set("f611", fleetRmb);
    v.insert(u"fa23"_s, grouped(Amount()));

    set("A1", freight);
    set("A2", lineUsd + rebate);
    set("A", freight - rebate - lineUsd);
    set("B1", clientRmb);
    set("B2", lineRmb + brokerRmb + fleetRmb);
    set("B", clientRmb - rmbRebate_ - lineRmb - brokerRmb - fleetRmb);
    *usd = freight;
    *rmb = clientRmb;
    *usdRebate = rebate;
    *rmbRebate = rmbRebate_;
    return insert(u"货运进口费用明细"_s, v);
}

// The finance row of a job that sailed: the older, the more is settled.
bool Generator::financeRow(const QString &job, const Party &client, const QDate &sailed, Amount usd, Amount rmb,
                           bool usdRebate, bool rmbRebate, const QString &goods)
{
    const qint64 age = sailed.daysTo(m_today);
    const int settled = age > 60 ? 95 : age > 30 ? 70 : 30;
    auto flag = [&](bool set) { return set ? u"1"_s : u"0"_s; };
    auto when = [&](bool set, int days) { return day(set ? sailed.addDays(days) : sailed); };
    const bool usdIn = !usd.isZero() && m_dice.chance(settled);
    const bool rmbIn = m_dice.chance(settled);
    QStringList paid;
    for (int i = 0; i < 5; ++i)
        paid << flag(m_dice.chance(settled));
    const bool refunded = (usdRebate || rmbRebate) && age > 45 && m_dice.chance(70);
    const QString usdNo = u"USD"_s + QString::number(++m_invoice);
    const QString rmbNo = QString::number(20000000 + ++m_invoice);
    QStringList row{job, when(usdIn, 25), usd.isZero() ? QString() : usdNo, flag(usdIn), when(rmbIn, 20), rmbNo,
                    flag(rmbIn), when(paid[0] == u"1"_s, 10), paid[0], when(paid[1] == u"1"_s, 10), paid[1],
                    when(paid[2] == u"1"_s, 12), paid[2], when(paid[3] == u"1"_s, 12), paid[3],
                    when(paid[4] == u"1"_s, 12), paid[4], when(refunded, 50), flag(refunded && usdRebate),
                    when(refunded, 50), flag(refunded && rmbRebate)};
    // The two invoices
    row << client.english << day(sailed.addDays(2)) << usdNo << u"中国银行上海市分行"_s << u"4563 5012 0819 3366"_s
        << text(usd) << u"OCEAN FREIGHT "_s + goods << u"黄燕"_s;
    row << client.fullName << day(sailed.addDays(2)) << rmbNo << u"中国工商银行上海市分行"_s
        << u"1001 2345 0900 1234 567"_s << text(rmb) << u"海运杂费、报关费、拖车费"_s << u"黄燕"_s;
    return insert(u"财务"_s, row);
}

bool Generator::exportJobs()
{
    const QList<int> routeWeights{2, 1, 4, 1, 2, 1, 2, 4, 1, 3, 2, 1, 1, 1, 1}; // by route index
    QList<int> routeBag;
    for (int i = 0; i < routeWeights.size() && i < m_routes.size(); ++i) {
        for (int w = 0; w < routeWeights[i]; ++w)
            routeBag << i;
    }
    const QStringList operators{u"赵敏"_s, u"赵敏"_s, u"陈静"_s, u"陈静"_s, u"马超"_s, u"李华"_s};
    const QStringList consignees{u"TO ORDER"_s, u"TO ORDER OF SHIPPER"_s,
                                 u"EURO TEXTIL HANDELS GMBH\r\nSPEERSORT 10, 20095 HAMBURG"_s,
                                 u"GLOBAL IMPORTS LLC\r\n1200 HARBOR BLVD, LONG BEACH CA 90802"_s,
                                 u"SAHARA TRADING FZE\r\nJEBEL ALI FREE ZONE, DUBAI"_s};
    int lclNumber = 0;
    const QDate firstMonth = QDate(m_today.year(), m_today.month(), 1).addMonths(-5);
    for (int month = 0; month < 6; ++month) {
        const QDate start = firstMonth.addMonths(month);
        int sequence = 0;
        for (int sailing = 0; sailing < 9; ++sailing) {
            const Carrier &carrier = m_dice.pick(m_carriers);
            const Route &route = m_routes[routeBag[m_dice.below(int(routeBag.size()))]];
            const QDate sails = start.addDays(2 + sailing * 3 + m_dice.below(2));
            const QString vessel = m_dice.pick(carrier.vessels);
            const QString voyage = QStringLiteral("%1").arg(40 + month * 2 + sailing % 2, 3, 10, QLatin1Char('0'))
                                   + (route.name.contains(u"美"_s) ? u"E"_s : u"W"_s);
            const QString box = carrier.boxPrefix + digits(m_dice, 7) + u"/S"_s + digits(m_dice, 6);
            const bool sailed = sails < m_today.addDays(-2);
            const int jobs = 4 + m_dice.below(3);
            for (int j = 0; j < jobs; ++j) {
                const Party &client = m_dice.pick(m_clients);
                const auto &country = route.countries[m_dice.below(int(route.countries.size()))];
                const QString port = m_dice.pick(country.second);
                const QString number = u"SE"_s + start.toString(u"yyMM"_s) + u'-'
                                       + QStringLiteral("%1").arg(++sequence, 3, 10, QLatin1Char('0'));
                // Job type: mostly full containers; a few consolidated.
                const int kind = j >= jobs - 2 && (route.name == u"东南亚线"_s || route.name == u"欧洲线"_s
                                                     || route.name == u"中东线"_s)
                                     ? 1 + m_dice.below(2)
                                     : (m_dice.chance(8) ? 3 : 0);
                const bool lcl = kind == 1 || kind == 2;
                const QString jobKind = QStringList{u"整箱"_s, u"货代自拼箱"_s, u"客户自拼箱"_s, u"少量拼箱"_s}[kind];
                const Party &broker = m_dice.pick(m_brokers);
                const Party &fleet = m_dice.pick(m_fleets);
                const Party &warehouse = m_dice.pick(m_warehouses);
                const bool byWarehouse = lcl || m_dice.chance(10);
                const bool selfPacked = !byWarehouse && m_dice.chance(8);
                const QString agent = route.name == u"欧洲线"_s ? u"汉堡代理"_s
                                      : route.name == u"美西线"_s ? u"洛杉矶代理"_s
                                      : route.name == u"东南亚线"_s ? u"新加坡代理"_s
                                                                 : QString();
                const bool telex = m_dice.chance(15);

                // Cargo rows
                QList<QStringList> cargo;
                int pieces = 0;
                Amount weight, volume;
                if (lcl) {
                    const int p = m_dice.between(10, 120);
                    const Amount w = thousandths(m_dice.between(300000, 2500000));
                    const Amount m = thousandths(m_dice.between(1500, 9500));
                    cargo << QStringList{number, sailed ? u"40'HQ"_s : u"待拼"_s, sailed ? box : u"待拼"_s,
                                         QString::number(p), text(w), text(m)};
                    pieces = p;
                    weight = w;
                    volume = m;
                } else {
                    const int boxes = kind == 3 ? 1 : 1 + m_dice.below(3);
                    const QString type = kind == 3 ? u"20'GP"_s
                                                   : QStringList{u"20'GP"_s, u"40'GP"_s, u"40'HC"_s}[m_dice.below(3)];
                    for (int b = 0; b < boxes; ++b) {
                        const int p = m_dice.between(200, 1200);
                        const Amount w = thousandths(m_dice.between(6000000, 21000000));
                        const Amount m = thousandths(type.startsWith(u"20"_s) ? m_dice.between(22000, 31000)
                                                                                 : m_dice.between(50000, 67000));
                        cargo << QStringList{number, type,
                                             carrier.boxPrefix + digits(m_dice, 7) + u"/"_s + digits(m_dice, 6),
                                             QString::number(p), text(w), text(m)};
                        pieces += p;
                        weight += w;
                        volume += m;
                    }
                }
                // Container summary as the job window writes it.
                QStringList types;
                QHash<QString, int> counts;
                for (const QStringList &c : cargo) {
                    if (!counts.contains(c[1]))
                        types << c[1];
                    ++counts[c[1]];
                }
                QStringList summary;
                for (const QString &t : types)
                    summary << t + u'*' + QString::number(counts[t]);

                QHash<QString, QString> v = jobDefaults();
                const QDate ordered = sails.addDays(-m_dice.between(7, 12));
                v.insert(u"业务编号"_s, number);
                v.insert(u"业务员"_s, client.salesman);
                v.insert(u"操作员"_s, m_dice.pick(operators));
                v.insert(u"委托人"_s, client.name);
                v.insert(u"委托编号"_s, client.code + start.toString(u"yyMM"_s) + digits(m_dice, 3));
                v.insert(u"订舱单位"_s, carrier.name);
                v.insert(u"船名"_s, vessel);
                v.insert(u"航次"_s, voyage);
                v.insert(u"提单号"_s, carrier.blPrefix + digits(m_dice, 10));
                v.insert(u"目的港"_s, port);
                v.insert(u"运抵国"_s, country.first);
                v.insert(u"装货港"_s, u"SHANGHAI"_s);
                v.insert(u"拼箱编号"_s, lcl ? u"PX"_s + start.toString(u"yyMM"_s) + QString::number(++lclNumber) : QString());
                v.insert(u"卸货港"_s, port);
                v.insert(u"手册号"_s, m_dice.chance(20) ? u"C2205"_s + digits(m_dice, 7) : QString());
                v.insert(u"核销单号"_s, u"28"_s + digits(m_dice, 7));
                v.insert(u"报关行"_s, broker.name);
                v.insert(u"货物已报关"_s, sailed || m_dice.chance(30) ? u"1"_s : u"0"_s);
                v.insert(u"货物已退关"_s, m_dice.chance(3) ? u"1"_s : u"0"_s);
                if (lcl || m_dice.chance(10)) {
                    v.insert(u"船公司提单"_s, u"0"_s);
                    v.insert(u"货代提单"_s, u"1"_s);
                    v.insert(u"HBL号"_s, u"KVSH"_s + start.toString(u"yyMM"_s) + digits(m_dice, 4));
                }
                v.insert(u"委托日期"_s, day(ordered));
                v.insert(u"船期"_s, day(sails));
                v.insert(u"签单日期"_s, day(sails.addDays(1)));
                v.insert(u"截关日期"_s, day(sails.addDays(-2)));
                v.insert(u"业务类型"_s, jobKind);
                v.insert(u"发货人"_s, client.english + u"\r\n"_s + client.address);
                v.insert(u"收货人"_s, m_dice.pick(consignees));
                v.insert(u"通知人"_s, u"SAME AS CONSIGNEE"_s);
                v.insert(u"目的港代理"_s, agent.isEmpty() ? QString()
                                                          : m_agents[agent == u"汉堡代理"_s   ? 0
                                                                     : agent == u"洛杉矶代理"_s ? 1
                                                                                               : 2]
                                                                .english);
                v.insert(u"标记和号码"_s, client.code + u"\r\n"_s + port + u"\r\nC/NO.1-"_s + QString::number(pieces));
                v.insert(u"货名"_s, client.goods);
                v.insert(u"件数"_s, QString::number(pieces));
                v.insert(u"包装种类"_s, client.packing);
                v.insert(u"毛重"_s, text(weight));
                v.insert(u"净重"_s, text(Amount::fromScaled(weight.scaled() / 10 * 9)));
                v.insert(u"尺码"_s, text(volume));
                v.insert(u"货名简称"_s, client.goodsShort);
                v.insert(u"集装箱数或件数合计"_s,
                         u"SAY "_s + CommFunU::AmountInWords(QString::number(pieces)) + u' ' + client.packing + u" ONLY"_s);
                v.insert(u"预付地点"_s, u"SHANGHAI"_s);
                v.insert(u"签发地点"_s, u"SHANGHAI"_s);
                v.insert(u"收费条款"_s, m_dice.chance(80) ? u"FREIGHT PREPAID"_s : u"FREIGHT COLLECT"_s);
                v.insert(u"正本提单份数"_s, telex ? u"ONE"_s : u"THREE"_s);
                v.insert(u"作业码头"_s, QStringList{u"五区"_s, u"九区"_s, u"十区"_s, u"十四区"_s}[m_dice.below(4)]);
                if (client.code == u"BLHG"_s)
                    v.insert(u"货物种类"_s, u"Dangerous(危险品)"_s);
                v.insert(u"分配车队"_s, !byWarehouse && !selfPacked ? u"1"_s : u"0"_s);
                v.insert(u"车队"_s, !byWarehouse && !selfPacked ? fleet.name : QString());
                v.insert(u"分配仓库"_s, byWarehouse ? u"1"_s : u"0"_s);
                v.insert(u"仓库"_s, byWarehouse ? warehouse.name : QString());
                v.insert(u"自做箱"_s, selfPacked ? u"1"_s : u"0"_s);
                v.insert(u"做箱情况"_s, sails < m_today.addDays(2) ? u"1"_s : u"0"_s);
                v.insert(u"装箱仓库地址"_s, byWarehouse ? warehouse.address : client.address);
                v.insert(u"特殊要求"_s, m_dice.chance(20) ? u"请提前一天联系工厂"_s : QString());
                v.insert(u"装箱入仓日期"_s, day(sails.addDays(byWarehouse ? -3 : -2)));
                v.insert(u"装箱入仓时间"_s, QStringList{u"08:30"_s, u"09:00"_s, u"13:30"_s}[m_dice.below(3)]);
                v.insert(u"装箱仓库联系人"_s, byWarehouse ? warehouse.contact : client.contact);
                v.insert(u"装箱仓库联系电话"_s, byWarehouse ? warehouse.phone : client.phone);
                v.insert(u"电放"_s, telex ? u"1"_s : u"0"_s);
                if (route.name == u"非洲线"_s || route.name == u"中南美线"_s) {
                    v.insert(u"转船"_s, u"1"_s);
                    v.insert(u"中转港"_s, route.name == u"非洲线"_s ? u"SINGAPORE"_s : u"BUSAN"_s);
                    v.insert(u"转船信息"_s, u"TRANSHIPMENT AT "_s + v.value(u"中转港"_s));
                    v.insert(u"二程船名"_s, carrier.vessels.last());
                    v.insert(u"二程航次"_s, voyage);
                }
                const bool documentsDone = sails < m_today.addDays(-5);
                const QString courier = QStringList{u"DHL"_s, u"EMS"_s, u"顺丰"_s}[m_dice.below(3)];
                for (const char *group : {"手册", "提单", "核销单"}) {
                    const QString g = QString::fromUtf8(group);
                    const bool done = documentsDone && (g != u"手册"_s || !v.value(u"手册号"_s).isEmpty());
                    const bool late = g == u"核销单"_s && sails > m_today.addDays(-25);
                    if (g == u"提单"_s) {
                        v.insert(g + u"签发日期"_s, day(done ? sails.addDays(1) : ordered));
                        v.insert(g + u"已签发"_s, done ? u"1"_s : u"0"_s);
                    } else {
                        v.insert(g + u"退单日期"_s, day(done && !late ? sails.addDays(20) : ordered));
                        v.insert(g + u"已退单"_s, done && !late ? u"1"_s : u"0"_s);
                    }
                    v.insert(g + u"寄发日期"_s, day(done && !late ? sails.addDays(g == u"提单"_s ? 3 : 22) : ordered));
                    v.insert(g + u"已寄发"_s, done && !late ? u"1"_s : u"0"_s);
                    v.insert(g + u"快件名称"_s, done && !late ? courier : QString());
                }
                v.insert(u"箱型箱量"_s, summary.join(u" & "_s));
                if (!insert(u"货运出口基本信息"_s, v))
                    return false;
                for (const QStringList &c : std::as_const(cargo)) {
                    if (!insert(u"货运出口货物明细"_s, c))
                        return false;
                }

                // Fees, finance, declarations and corrections
                Amount usd, rmb, usdRebate, rmbRebate;
                const bool hasFees = sailed || m_dice.chance(50);
                if (hasFees
                    && !exportFees(number, carrier.name, broker.name, v.value(u"车队"_s), v.value(u"仓库"_s), agent,
                                   int(cargo.size()), lcl, sails < m_today.addDays(-20), &usd, &rmb, &usdRebate,
                                   &rmbRebate))
                    return false;
                if (hasFees && sails < m_today.addDays(-7)
                    && !financeRow(number, client, sails, usd, rmb, !usdRebate.isZero(), !rmbRebate.isZero(),
                                   client.goods))
                    return false;
                if (v.value(u"货物已报关"_s) == u"1"_s && m_dice.chance(70)) {
                    const QString items = gridText(
                        8, {{u"1"_s, u"61091000"_s + digits(m_dice, 2), client.goodsShort,
                             QString::number(pieces) + client.packing.left(client.packing.indexOf(u'(')),
                             country.first + u" USD"_s + QString::number(m_dice.between(2, 30)) + u".00"_s,
                             u"USD"_s + text(units(pieces * m_dice.between(20, 60))), u"USD"_s, u"照章征税"_s}});
                    QStringList row{number, digits(m_dice, 9), u"2200"_s + digits(m_dice, 14), day(sails),
                                    day(sails.addDays(-2)), client.fullName, u"海运"_s, client.fullName,
                                    m_dice.chance(80) ? u"一般贸易"_s : u"进料加工"_s, u"照章"_s,
                                    m_dice.chance(70) ? u"T/T"_s : u"L/C"_s, QString(), u"上海"_s,
                                    m_dice.chance(70) ? u"FOB"_s : u"CIF"_s, grouped(Amount()), grouped(Amount()),
                                    grouped(Amount()), u"HT"_s + start.toString(u"yyyy"_s) + digits(m_dice, 5),
                                    broker.name, client.fullName, items, broker.contact};
                    if (!insert(u"货运出口报关单"_s, row))
                        return false;
                    if (m_dice.chance(25)) {
                        const QString goods = gridText(
                            6, {{client.goodsShort + u"/"_s + client.goods, u"61091000"_s, u"上海"_s,
                                 QString::number(pieces) + u"件/"_s + text(weight) + u"KGS"_s,
                                 u"USD"_s + text(units(pieces * 25)), client.packing}});
                        QStringList inspection{number, u"3100"_s + digits(m_dice, 11), u"31000"_s + digits(m_dice, 5),
                                               client.contact, client.phone, day(sails.addDays(-4)), client.fullName,
                                               client.english, QString(), v.value(u"收货人"_s).section(u"\r\n"_s, 0, 0),
                                               goods, client.address, QString(), u"其他"_s, QString(),
                                               u"3100/"_s + digits(m_dice, 5), v.value(u"箱型箱量"_s), QString(),
                                               client.code, text(units(m_dice.between(2, 8) * 50)), u"黄燕"_s,
                                               u"黄燕"_s};
                        if (!insert(u"货运出口报检单"_s, inspection))
                            return false;
                    }
                }
                if (sailed && m_dice.chance(8)) {
                    QStringList note{number, u"GZ01"_s, carrier.name, day(sails.addDays(3)) + u" 10:30"_s,
                                     u"CONSIGNEE: TO ORDER"_s, v.value(u"收货人"_s), u"客户要求更改收货人"_s};
                    if (!insert(u"货运出口更正单"_s, note))
                        return false;
                }
            }
        }
    }
    return true;
}

bool Generator::importJobs()
{
    const QList<int> fromRoutes{0, 1, 2, 7, 8, 9, 10, 14};
    const QStringList operators{u"吴霞"_s, u"吴霞"_s, u"周强"_s};
    const QStringList goods{u"MACHINERY PARTS|机械配件"_s, u"PLASTIC RESIN|塑料粒子"_s, u"WINE|葡萄酒"_s,
                            u"AUTO PARTS|汽车配件"_s, u"PAPER PULP|纸浆"_s, u"FROZEN SEAFOOD|冻海产品"_s};
    const QDate firstMonth = QDate(m_today.year(), m_today.month(), 1).addMonths(-5);
    for (int month = 0; month < 6; ++month) {
        const QDate start = firstMonth.addMonths(month);
        const int jobs = 16 + m_dice.below(6);
        for (int j = 0; j < jobs; ++j) {
            const Carrier &carrier = m_dice.pick(m_carriers);
            const Route &route = m_routes[m_dice.pick(fromRoutes)];
            const auto &country = route.countries[m_dice.below(int(route.countries.size()))];
            const QString port = m_dice.pick(country.second);
            const Party &client = m_dice.pick(m_clients);
            const Party &broker = m_dice.pick(m_brokers);
            const Party &fleet = m_dice.pick(m_fleets);
            const QStringList what = m_dice.pick(goods).split(u'|');
            const QDate arrives = start.addDays(m_dice.below(start.daysInMonth()));
            const bool arrived = arrives < m_today.addDays(-2);
            const QString number =
                u"SI"_s + start.toString(u"yyMM"_s) + u'-' + QStringLiteral("%1").arg(j + 1, 3, 10, QLatin1Char('0'));
            const int boxes = 1 + m_dice.below(2);
            const QString type = m_dice.chance(50) ? u"40'HC"_s : u"20'GP"_s;
            QList<QStringList> cargo;
            int pieces = 0;
            Amount weight, volume;
            for (int b = 0; b < boxes; ++b) {
                const int p = m_dice.between(20, 600);
                const Amount w = thousandths(m_dice.between(5000000, 20000000));
                const Amount m = thousandths(type.startsWith(u"20"_s) ? m_dice.between(20000, 30000)
                                                                         : m_dice.between(48000, 66000));
                cargo << QStringList{number, type, carrier.boxPrefix + digits(m_dice, 7) + u"/"_s + digits(m_dice, 6),
                                     QString::number(p), text(w), text(m)};
                pieces += p;
                weight += w;
                volume += m;
            }
            QHash<QString, QString> v = jobDefaults();
            const QDate ordered = arrives.addDays(-m_dice.between(10, 20));
            v.insert(u"业务编号"_s, number);
            v.insert(u"业务员"_s, client.salesman);
            v.insert(u"操作员"_s, m_dice.pick(operators));
            v.insert(u"委托人"_s, client.name);
            v.insert(u"委托编号"_s, client.code + u"-I"_s + start.toString(u"yyMM"_s) + digits(m_dice, 2));
            v.insert(u"订舱单位"_s, carrier.name);
            v.insert(u"船名"_s, m_dice.pick(carrier.vessels));
            v.insert(u"航次"_s, QStringLiteral("%1E").arg(30 + month * 2, 3, 10, QLatin1Char('0')));
            v.insert(u"提单号"_s, carrier.blPrefix + digits(m_dice, 10));
            v.insert(u"目的港"_s, u"SHANGHAI"_s);
            v.insert(u"运抵国"_s, country.first);
            v.insert(u"装货港"_s, port);
            v.insert(u"卸货港"_s, u"SHANGHAI"_s);
            v.insert(u"核销单号"_s, u"FH"_s + digits(m_dice, 8));
            v.insert(u"报关行"_s, broker.name);
            v.insert(u"货物已报关"_s, arrived ? u"1"_s : u"0"_s);
            v.insert(u"委托日期"_s, day(ordered));
            v.insert(u"船期"_s, day(arrives));
            v.insert(u"签单日期"_s, day(arrives.addDays(1)));
            v.insert(u"截关日期"_s, day(arrives.addDays(3)));
            v.insert(u"业务类型"_s, u"整箱"_s);
            v.insert(u"发货人"_s, u"SHIPPER AT "_s + port);
            v.insert(u"收货人"_s, client.fullName + u"\r\n"_s + client.address);
            v.insert(u"通知人"_s, u"SAME AS CONSIGNEE"_s);
            v.insert(u"标记和号码"_s, u"N/M"_s);
            v.insert(u"货名"_s, what[0]);
            v.insert(u"件数"_s, QString::number(pieces));
            v.insert(u"包装种类"_s, u"PALLET(S)"_s);
            v.insert(u"毛重"_s, text(weight));
            // The import window's 总净重(CBM): a measurement, as the trucking sheet reads it.
            v.insert(u"净重"_s, text(volume));
            v.insert(u"尺码"_s, text(volume));
            v.insert(u"货名简称"_s, what[1]);
            v.insert(u"集装箱数或件数合计"_s,
                     u"SAY "_s + CommFunU::AmountInWords(QString::number(pieces)) + u" PALLET(S) ONLY"_s);
            v.insert(u"签发地点"_s, port);
            v.insert(u"收费条款"_s, u"FREIGHT COLLECT"_s);
            v.insert(u"正本提单份数"_s, u"THREE"_s);
            v.insert(u"分配车队"_s, u"1"_s);
            v.insert(u"车队"_s, fleet.name);
            v.insert(u"做箱情况"_s, arrived ? u"1"_s : u"0"_s);
            v.insert(u"装箱仓库地址"_s, client.address);
            v.insert(u"装箱入仓日期"_s, day(arrives.addDays(3)));
            v.insert(u"装箱仓库联系人"_s, client.contact);
            v.insert(u"装箱仓库联系电话"_s, client.phone);
            for (const char *group : {"手册", "提单", "核销单"}) {
                const QString g = QString::fromUtf8(group);
                const bool done = arrived && g != u"手册"_s;
                if (g == u"提单"_s) {
                    v.insert(g + u"签发日期"_s, day(done ? arrives.addDays(1) : ordered));
                    v.insert(g + u"已签发"_s, done ? u"1"_s : u"0"_s);
                } else {
                    v.insert(g + u"退单日期"_s, day(done ? arrives.addDays(15) : ordered));
                    v.insert(g + u"已退单"_s, done ? u"1"_s : u"0"_s);
                }
                v.insert(g + u"寄发日期"_s, day(done ? arrives.addDays(3) : ordered));
                v.insert(g + u"已寄发"_s, done ? u"1"_s : u"0"_s);
                v.insert(g + u"快件名称"_s, done ? u"EMS"_s : QString());
            }
            v.insert(u"箱型箱量"_s, type + u'*' + QString::number(boxes));
            if (!insert(u"货运进口基本信息"_s, v))
                return false;
            for (const QStringList &c : std::as_const(cargo)) {
                if (!insert(u"货运进口货物明细"_s, c))
                    return false;
            }
            Amount usd, rmb, usdRebate, rmbRebate;
            const QString agent = route.name == u"日本线"_s ? u"东京代理"_s
                                  : route.name == u"欧洲线"_s ? u"鹿特丹代理"_s
                                                             : QString();
            if ((arrived || m_dice.chance(40))
                && !importFees(number, carrier.name, broker.name, fleet.name, agent, boxes,
                               arrives < m_today.addDays(-20), &usd, &rmb, &usdRebate, &rmbRebate))
                return false;
            if (arrives < m_today.addDays(-7)
                && !financeRow(number, client, arrives, usd, rmb, !usdRebate.isZero(), !rmbRebate.isZero(), what[0]))
                return false;
        }
    }
    return true;
}

// The rate book: three carriers on every port of every route, each in four
// periods of two months from the first month of the jobs: two expired, the
// current one and one not yet valid. Drawn from a generator of its own, so
// that the jobs stay what they were.
bool Generator::freightRates()
{
    // 20'GP selling prices by route (the order of routes()), in USD.
    const QList<int> base{300, 250, 400, 700, 900, 1100, 1500, 1300, 1500, 1800, 2600, 2000, 2200, 900, 2000, 150, 600};
    const QList<int> transit{3, 2, 7, 16, 20, 24, 30, 28, 34, 14, 30, 16, 35, 18, 38, 2, 4};
    const QStringList days{u"周一/周四"_s, u"周二/周五"_s, u"周三/周六"_s, u"周日"_s, u"周三"_s};
    const QDate first = QDate(m_today.year(), m_today.month(), 1).addMonths(-5);
    Dice dice;
    int number = 0;
    for (int r = 0; r < m_routes.size() && r < base.size(); ++r) {
        const Route &route = m_routes[r];
        const bool longHaul = base[r] >= 1300;
        for (const auto &country : route.countries) {
            for (const QString &port : country.second) {
                if (port == u"SHANGHAI"_s)
                    continue;
                for (int k = 0; k < 3; ++k) {
                    const Carrier &carrier = m_carriers[(r + port.size() + k * 3) % m_carriers.size()];
                    const bool viaHub = k == 2 && (route.name == u"非洲线"_s || route.name == u"红海线"_s);
                    const int carrierShift = dice.between(-4, 4) * 25;
                    for (int period = 0; period < 4; ++period) {
                        const QDate from = first.addMonths(2 * period);
                        const QDate until = from.addMonths(2).addDays(-1);
                        const int sell20 = base[r] + carrierShift + period * 50;
                        const int sell40 = sell20 * 9 / 5;
                        QHash<QString, QString> v;
                        v.insert(u"序号"_s, QString::number(++number));
                        v.insert(u"船公司"_s, carrier.name);
                        v.insert(u"航线"_s, route.name);
                        v.insert(u"起运港"_s, u"SHANGHAI"_s);
                        v.insert(u"目的港"_s, port);
                        v.insert(u"中转港"_s, viaHub ? u"SINGAPORE"_s : QString());
                        v.insert(u"币种"_s, u"USD"_s);
                        const QList<std::pair<const char *, int>> prices{
                            {"20GP", sell20}, {"40GP", sell40}, {"40HC", sell40 + 50},
                            {"45HC", longHaul && k != 1 ? sell40 + 250 : 0}, {"CBM", sell20 / 25}};
                        for (const auto &[type, sell] : prices) {
                            if (sell == 0)
                                continue; // no rate for that type
                            const int margin = QByteArray(type) == "CBM" ? 3 : (sell < 1000 ? 40 : 100);
                            v.insert(u"成本"_s + QLatin1StringView(type), text(units(sell - margin)));
                            v.insert(u"售价"_s + QLatin1StringView(type), text(units(sell)));
                        }
                        v.insert(u"附加费"_s, longHaul ? u"BAF USD%1/TEU, EBS USD50/TEU"_s.arg(80 + 10 * period)
                                                       : u"THC RMB370/TEU"_s);
                        v.insert(u"船期"_s, days[(k + r) % days.size()]);
                        v.insert(u"航程"_s, QString::number(transit[r] + k));
                        v.insert(u"生效日期"_s, day(from));
                        v.insert(u"失效日期"_s, day(until));
                        v.insert(u"备注"_s, viaHub ? u"经新加坡中转"_s : QString());
                        v.insert(u"录入人"_s, u"李华"_s);
                        v.insert(u"修改日期"_s, day(from.addDays(-3)));
                        if (!insert(u"运价"_s, v))
                            return false;
                    }
                }
            }
        }
    }
    return true;
}

} // namespace

bool DemoData::fill(RowSink &sink, const QDate &today, QString *error)
{
    Generator generator(sink, today);
    return generator.run(error);
}
