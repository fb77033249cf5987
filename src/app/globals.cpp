#include "app/globals.h"

int32_t NUMERO_PARTICULES = 0;
int32_t CICLES_PER_SEGON = 0;
int32_t FPS = 0;
int32_t GExp = -11;

std::string EstatVelocitat = "1s = 1s";

std::unique_ptr<Particula[]> particules;
