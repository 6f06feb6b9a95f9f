#pragma once
// The "Image Content Creation Requirement" text: which image sizes and aspect ratios the
// content producer renders for the wall and its sub-groups.

#include <QString>

namespace kalvora {

// n: working projector count 1..8 (other values give the single-source lines only);
// aspect, imageH, imageV: the captions of the aspect and image size labels as shown;
// resH, resV: the projector resolution. Every line ends with "\r\n".
QString ContentRequirementText(int n, const QString& aspect, double resH, double resV,
                               const QString& imageH, const QString& imageV);

}  // namespace kalvora
