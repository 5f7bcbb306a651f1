#include "cargojobvalues.h"

using namespace Qt::StringLiterals;

QString CargoJobValues::vesselAndVoyage() const
{
    return column(u"船名"_s) + u' ' + column(u"航次"_s);
}

QString CargoJobValues::firstContainer() const
{
    return cargoRows.isEmpty() || cargoRows.first().size() < 2 ? QString() : cargoRows.first().at(1);
}

int CargoJobValues::allocationKind() const
{
    if (column(u"分配车队"_s) == u"1"_s)
        return 1;
    if (column(u"分配仓库"_s) == u"1"_s)
        return 2;
    if (column(u"自做箱"_s) == u"1"_s)
        return 3;
    return 0;
}
