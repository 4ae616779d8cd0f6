#pragma once
// The words of our drawings follow the language: each <text> of an SVG drawing whose content is a
// picture key of the catalogue is drawn in the language's words. The windows' pictures and the
// printed configuration sheet both draw through this.

#include <QByteArray>

namespace dalvex::i18n {

QByteArray LocalisePictureWords(const QByteArray& svg, int language);

} // namespace dalvex::i18n
