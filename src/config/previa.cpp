#include "config/previa.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <utility>

#include "lectura/constants.h"
#include "lectura/lectura.h"
#include "physics/factors.h"
#include "physics/globals.h"
#include "physics/pas.h"

namespace {

// A measure takes every pair, as a step does: above this many bodies the
// measures are spaced out, one every N / kCossosPerMostra steps, so that they
// stay a small part of the run.
constexpr int32_t kCossosPerMostra = 100;

// What the energy, the momentum and the passes came to at one moment.
struct Mostra {
    double cinetica = 0.0;
    double potencial = 0.0;
    double moment[2] = {0.0, 0.0};
    double sumaMv = 0.0;  // the bodies' |m·v| summed: the scale of the momentum
    double energia() const { return cinetica + potencial; }
};

// The measures that take every pair, on columns of their own so that the
// step's bodies are only read.
class Mesurador {
public:
    Mesurador(int32_t n, double pas, double g)
        : pas_(pas), g_(g), x_(n), y_(n), vx_(n), vy_(n), m_(n), r2_(n), potencial_(n), w_(n), gm_(n)
    {
    }

    Mostra mesurar(const Particula* p, int32_t n, double quan, InformePrevia& inf)
    {
        Mostra m = llegir(p, n);
        // Each row of pairs in two passes: the arithmetic of all its pairs at
        // once, which the compiler does several pairs at a time, then the sum
        // and the minima.
        int64_t parells = parells_.load(std::memory_order_relaxed);
        double suma = 0.0;  // of mi·mj / r
        for (int32_t i = 0; i < n; ++i) {
            calcularFila(i, n);
            parells += n - 1 - i;
            parells_.store(parells, std::memory_order_relaxed);
            suma = sumarFila(i, n, quan, inf, suma);
        }
        m.potencial = -g_ * suma;
        return m;
    }

    // The masses, as at the last measure.
    double massa(int32_t i) const { return m_[i]; }
    // Pairs taken by every measure so far; any thread may read it.
    const std::atomic<int64_t>& parells() const { return parells_; }

private:
    // The bodies into the columns, and what needs no pair: the kinetic
    // energy, the momentum and the passes.
    Mostra llegir(const Particula* p, int32_t n)
    {
        Mostra m;
        for (int32_t i = 0; i < n; ++i) {
            const vector pos = p[i].retornarposicio();
            const vector v = p[i].retornarvelocitat();
            const double massa = static_cast<double>(p[i].retornarmassa());
            x_[i] = pos.x;
            y_[i] = pos.y;
            vx_[i] = v.x;
            vy_[i] = v.y;
            m_[i] = massa;
            const double v2 = v.x * v.x + v.y * v.y;
            m.cinetica += 0.5 * massa * v2;
            m.moment[0] += massa * v.x;
            m.moment[1] += massa * v.y;
            m.sumaMv += massa * std::sqrt(v2);
        }
        return m;
    }

    // The arithmetic of the pairs of row i, into the row's columns.
    void calcularFila(int32_t i, int32_t n)
    {
        const double xi = x_[i], yi = y_[i], vxi = vx_[i], vyi = vy_[i], mi = m_[i];
        for (int32_t j = i + 1; j < n; ++j) {
            const double dx = x_[j] - xi;
            const double dy = y_[j] - yi;
            const double r2 = dx * dx + dy * dy;
            const double invers = 1.0 / std::sqrt(r2);
            const double dvx = vx_[j] - vxi;
            const double dvy = vy_[j] - vyi;
            const double v2 = dvx * dvx + dvy * dvy;
            const double gm = g_ * (mi + m_[j]);
            // How fast the pair's paths turn: their speed, or the speed of a
            // circle at r when they are slower. A fast pass of light bodies
            // barely bends; bodies at rest fall in on a circle's time scale.
            const double cercle = gm * invers;
            const double w = v2 > cercle ? v2 : cercle;
            r2_[j] = r2;
            potencial_[j] = m_[j] * invers;
            w_[j] = w;
            gm_[j] = gm;
        }
    }

    // Row i's pairs added to suma one by one, in their order, and into the
    // minima.
    double sumarFila(int32_t i, int32_t n, double quan, InformePrevia& inf, double suma)
    {
        const double mi = m_[i];
        for (int32_t j = i + 1; j < n; ++j) {
            // Bodies at one place exert nothing on each other in the step.
            if (!(r2_[j] > 0.0))
                continue;
            suma += mi * potencial_[j];
            if (r2_[j] < proper2_) {
                proper2_ = r2_[j];
                anotar(inf.mesProper, i, j, quan);
            }
            // r⁴ w / (G M)² orders the passes by steps per turn. No pull, no
            // turn: a G M of 0 makes the right side NaN or 0.
            const double gm2 = gm_[j] * gm_[j];
            const double clau = r2_[j] * r2_[j] * w_[j];
            if (clau < estret_ * gm2) {
                estret_ = clau / gm2;
                anotar(inf.mesEstret, i, j, quan);
                if (inf.mesEstret.passosPerOrbita < kPassosPerOrbita && !(inf.quanEstret <= quan))
                    inf.quanEstret = quan;
            }
        }
        return suma;
    }

    // The pair, and its steps for a whole turn at the rate its paths turn:
    // on a circular orbit, its steps per orbit.
    void anotar(Apropament& a, int32_t i, int32_t j, double quan)
    {
        a.a = i;
        a.b = j;
        a.distancia = std::sqrt(r2_[j]);
        a.quan = quan;
        a.passosPerOrbita = 2.0 * kPi * r2_[j] * std::sqrt(w_[j]) / (gm_[j] * pas_);
    }

    double pas_;
    double g_;
    std::vector<double> x_, y_, vx_, vy_, m_;
    // One row's pairs.
    std::vector<double> r2_, potencial_, w_, gm_;
    double proper2_ = std::numeric_limits<double>::infinity();
    double estret_ = std::numeric_limits<double>::infinity();
    std::atomic<int64_t> parells_{0};
};

// Which bodies are out of view, since when, and which came back. A body out
// of view from the start (a view centred on one part of a system) is not
// lost by being out of it.
class Vista {
public:
    Vista(const Sistema& sistema, int32_t n)
        : vista_(sistema), fora_(n, 0), inici_(n, 0), sortit_(n, 0), quan_(n, 0.0)
    {
    }

    int32_t comprovar(const Particula* p, int32_t n, double quan)
    {
        int32_t dins = 0;
        for (int32_t i = 0; i < n; ++i) {
            const vector pos = p[i].retornarposicio();
            const bool fora = !vista_.conte(pos.x, pos.y);
            if (fora && !fora_[i]) {
                quan_[i] = quan;
                sortit_[i] = 1;
            }
            if (primer_)
                inici_[i] = fora;
            fora_[i] = fora;
            dins += !fora;
        }
        primer_ = false;
        return dins;
    }

    // Out of view at the end, having been in it at the start.
    std::vector<char> perduts() const
    {
        std::vector<char> p(fora_.size());
        for (size_t i = 0; i < fora_.size(); ++i)
            p[i] = fora_[i] && !inici_[i];
        return p;
    }

    void resumir(InformePrevia& inf) const
    {
        for (size_t i = 0; i < fora_.size(); ++i) {
            if (inici_[i])
                inf.foraInici.push_back(static_cast<int32_t>(i));
            else if (fora_[i])
                inf.perduts.push_back({static_cast<int32_t>(i), quan_[i]});
            else if (sortit_[i])
                ++inf.tornats;
        }
        std::stable_sort(inf.perduts.begin(), inf.perduts.end(),
                         [](const Sortida& a, const Sortida& b) { return a.quan < b.quan; });
    }

private:
    VistaInicial vista_;
    bool primer_ = true;
    std::vector<char> fora_, inici_, sortit_;
    std::vector<double> quan_;
};

void Anotar(Deriva& d, double valor, double quan)
{
    d.final = valor;
    if (!(std::fabs(valor) <= std::fabs(d.pitjor))) {
        d.pitjor = valor;
        d.quanPitjor = quan;
    }
}

// Takes one measure into the report, against the first.
void Anotar(InformePrevia& inf, const Mostra& inicial, const Mostra& m, double quan)
{
    Anotar(inf.energia, m.energia() - inicial.energia(), quan);
    const double escala = inf.energia.escala > 0.0 ? inf.energia.escala : 1.0;
    if (std::fabs(m.energia() - inicial.energia()) > inf.derivaPermesa * escala && !(inf.quanDeriva <= quan))
        inf.quanDeriva = quan;
    Anotar(inf.moment, std::hypot(m.moment[0] - inicial.moment[0], m.moment[1] - inicial.moment[1]), quan);
    inf.moment.escala = std::max(inf.moment.escala, m.sumaMv);
    inf.energiaFinal = m.energia();
    inf.momentFinal[0] = m.moment[0];
    inf.momentFinal[1] = m.moment[1];
}

// The drifts relative to their scales once the run is over.
void Relativitzar(InformePrevia& inf)
{
    for (Deriva* d : {&inf.energia, &inf.moment}) {
        const double escala = d->escala > 0.0 ? d->escala : 1.0;
        d->final /= escala;
        d->pitjor /= escala;
    }
}

// Seconds of the machine's time, in the unit that reads best.
std::string TempsMaquina(double segons)
{
    std::ostringstream out;
    out << std::fixed << std::setprecision(0);
    if (segons < 90.0)
        out << std::ceil(segons) << " s";
    else if (segons < 90.0 * 60.0)
        out << std::round(segons / 60.0) << " min";
    else if (segons < 48.0 * 3600.0)
        out << std::floor(segons / 3600.0) << " h " << std::floor(std::fmod(segons, 3600.0) / 60.0) << " min";
    else
        out << std::round(segons / 86400.0) << " days";
    return out.str();
}

// How far the run is: first how long the whole takes at the speed seen so
// far, then the steps done, the share of the work and the time left. The
// work is counted in pulls and pairs as the step and the measures sum them.
class Progres {
public:
    Progres(bool actiu, int64_t passos, int32_t n, double feina, const std::atomic<int64_t>& parells)
        : passos_(passos), n_(n), feina_(feina), parells_(parells), inici_(CossosSumatsPas()),
          linia_(actiu, [this](double segons) { return text(segons); })
    {
    }

private:
    std::string text(double segons)
    {
        const int64_t cossos = CossosSumatsPas() - inici_;
        const double fet = std::min(feina_, static_cast<double>(cossos) * n_ +
                                                static_cast<double>(parells_.load(std::memory_order_relaxed)));
        std::ostringstream linia;
        if (fet > 0.0 && !previst_) {
            linia << "preview: " << passos_ + 1 << " steps of " << n_ << (n_ == 1 ? " body" : " bodies")
                  << ", about " << TempsMaquina(segons * feina_ / fet) << " at this machine's speed\n";
            previst_ = true;
        }
        // Tenths of a percent, or two figures while under one, so that it moves.
        const double percent = 100.0 * fet / feina_;
        linia << "preview: step " << cossos / n_ << " of " << passos_ + 1 << " (";
        if (percent < 1.0)
            linia << std::setprecision(2) << percent << " %)";
        else
            linia << std::fixed << std::setprecision(1) << percent << " %)";
        if (fet > 0.0)
            linia << ", about " << TempsMaquina(segons * (feina_ - fet) / fet) << " left";
        return linia.str();
    }

    int64_t passos_;
    int32_t n_;
    double feina_;
    const std::atomic<int64_t>& parells_;
    int64_t inici_;
    bool previst_ = false;
    LiniaProgres linia_;  // last: its thread stops before the rest goes
};

// What a time key from 1 to 7 sets.
const FactorTemps& Factor(int tecla)
{
    return FactorDeNumero(tecla);
}

// The cycle the program keeps with its limiter on, and the steps it takes in
// the seconds asked for.
void Ritme(const Sistema& sistema, const OpcionsPrevia& o, InformePrevia& inf)
{
    inf.cossos = static_cast<int32_t>(sistema.cossos.size());
    inf.tecla = o.tecla;
    const int32_t periode = EsperaCicle(0, sistema.cicles);
    inf.senseLimit = periode <= 0;
    inf.periodeMs = inf.senseLimit ? 1 : periode;
    inf.folga = o.folga;
    inf.cicleUs = std::llround(inf.periodeMs * 1000.0 * (1.0 + o.folga / 100.0));
    inf.passos = static_cast<int64_t>(std::floor(o.segons * 1e6 / static_cast<double>(inf.cicleUs)));
    inf.mostreig = std::max<int64_t>(1, inf.cossos / kCossosPerMostra);
    inf.derivaPermesa =
        kDerivaEnergia * std::max(1.0, static_cast<double>(inf.passos) * static_cast<double>(inf.cicleUs) / 60e6);
}

// What start-up leaves of the bodies, their working memory taken.
std::unique_ptr<Particula[]> EstatInicial(const Sistema& sistema)
{
    std::unique_ptr<Particula[]> p = CrearCossos(sistema);
    if (!ReservarPas(static_cast<int32_t>(sistema.cossos.size())))
        throw std::bad_alloc();
    return p;
}

// Pulls of every step, and pairs of the measures: one every mostreig
// steps, the first and the last, and one for each row of the table.
double Feina(const InformePrevia& inf, int32_t n, bool taula)
{
    const double cossos = n;
    const double mesures = static_cast<double>(inf.passos / inf.mostreig) + 2.0 +
                           (taula ? static_cast<double>(inf.passos * inf.cicleUs / 1000000 + 1) : 0.0);
    return static_cast<double>(inf.passos + 1) * cossos * cossos + mesures * cossos * (cossos - 1.0) / 2.0;
}

// The first measure: what the others are held to, the unions it finds and
// the losses they foretell.
Mostra Iniciar(InformePrevia& inf, const Mostra& m, Lligams& lligams, const Particula* p, int32_t n, double g,
               const std::vector<Unio>* unions)
{
    lligams.iniciar(p, n, unions);
    inf.previstes = PerduesPrevistes(p, n, g, lligams.unions());
    inf.energia.escala = std::fabs(m.energia()) > 0.0 ? std::fabs(m.energia()) : m.cinetica - m.potencial;
    return m;
}

// One row of the table: a line every whole second of the machine's time.
void EscriureFila(std::ostream& csv, double quan, double simulat, const Mostra& m, int32_t dins)
{
    csv << quan << ',' << simulat << ',' << m.energia() << ',' << m.moment[0] << ',' << m.moment[1] << ','
        << dins << '\n';
}

// The start against the end, once the run is over.
void Concloure(InformePrevia& inf, const Mostra& inicial)
{
    inf.energiaInicial = inicial.energia();
    inf.momentInicial[0] = inicial.moment[0];
    inf.momentInicial[1] = inicial.moment[1];
    Relativitzar(inf);
}

// What the unions came to, their turns counted in steps, and who parted.
void ResumirLligams(InformePrevia& inf, const Lligams& lligams, const Particula* p, const std::vector<char>& perduts)
{
    inf.parells = lligams.parells();
    inf.unions = lligams.unions();
    inf.deslligats = lligams.deslligatsInici();
    for (size_t k = 0; k < lligams.voltes().size(); ++k) {
        const double passos = lligams.voltes()[k] / inf.pas;
        inf.passosUnions.push_back(passos);
        if (passos < inf.passosUnio) {
            inf.passosUnio = passos;
            inf.unioEstreta = static_cast<int32_t>(k);
        }
    }
    inf.separats = lligams.separats(p, perduts);
}

// Whether the narrowest pass is between light bodies, against the heaviest.
bool EstretLleuger(const Apropament& estret, const Mesurador& mesurador, int32_t n)
{
    double pesada = 0.0;
    for (int32_t i = 0; i < n; ++i)
        pesada = std::max(pesada, mesurador.massa(i));
    return std::max(mesurador.massa(estret.a), mesurador.massa(estret.b)) < pesada / kLleuger;
}

}  // namespace

LiniaProgres::LiniaProgres(bool actiu, std::function<std::string(double)> text) : text_(std::move(text))
{
    if (actiu)
        fil_ = std::thread([this] { mostrar(); });
}

LiniaProgres::~LiniaProgres()
{
    if (!fil_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        acabat_ = true;
    }
    condicio_.notify_one();
    fil_.join();
    if (escrit_)
        std::cerr << "\r\033[K" << std::flush;
}

void LiniaProgres::mostrar()
{
    using Rellotge = std::chrono::steady_clock;
    const Rellotge::time_point inici = Rellotge::now();
    Rellotge::time_point seguent = inici + std::chrono::milliseconds(500);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!condicio_.wait_until(lock, seguent, [this] { return acabat_; })) {
        seguent += std::chrono::milliseconds(250);
        const std::string text = text_(std::chrono::duration<double>(Rellotge::now() - inici).count());
        std::cerr << "\r" << text << "\033[K" << std::flush;
        escrit_ = true;
    }
}

VistaInicial::VistaInicial(const Sistema& s)
    : zoom_(static_cast<double>(ZOOM_INICIAL)),
      // The origin at the window's centre, in whole pixels, as start-up puts it.
      origenX_(static_cast<double>(s.amplada / 2)), origenY_(static_cast<double>(s.altura / 2)),
      amplada_(s.amplada), altura_(s.altura)
{
}

std::unique_ptr<Particula[]> CrearCossos(const Sistema& sistema)
{
    std::unique_ptr<Particula[]> p(new Particula[sistema.cossos.size()]);
    for (size_t i = 0; i < sistema.cossos.size(); ++i) {
        const Cos& c = sistema.cossos[i];
        p[i].valors(c.x, c.y, c.vx, c.vy, c.massa, c.diametre);
    }
    return p;
}

InformePrevia Previa(const Sistema& sistema, const OpcionsPrevia& o)
{
    InformePrevia inf;
    Ritme(sistema, o, inf);
    const int32_t n = inf.cossos;
    const double g = GDeExponent(sistema.gexp);
    const int32_t factor = Factor(inf.tecla).factor;
    const std::unique_ptr<Particula[]> p = EstatInicial(sistema);
    const ExecucioDelPas execucio(n, p.get(), CicleReal(g, factor, SegonsDeCicle(sistema.cicles), false));
    const float temps = static_cast<float>(inf.cicleUs) / 1e6f;
    inf.pas = FactorDePas(factor, temps);
    Mesurador mesurador(n, inf.pas, g);
    Vista vista(sistema, n);
    Lligams lligams(g);
    Progres progres(o.progres, inf.passos, n, Feina(inf, n, o.csv != nullptr), mesurador.parells());
    if (o.csv != nullptr)
        *o.csv << "seconds,simulated_seconds,energy,momentum_x,momentum_y,in_view\n" << std::setprecision(17);

    Mostra inicial;
    int64_t ultimFotograma = 0;
    // Cycle 0 steps with a cycle time of 0, as the program's first does.
    for (int64_t k = 0; k <= inf.passos; ++k) {
        Pas(p.get(), n, {g, FactorDePas(factor, k == 0 ? 0.0f : temps), false});
        const int64_t us = k * inf.cicleUs;
        const int64_t ms = us / 1000;
        const double quan = static_cast<double>(us) / 1e6;
        const int32_t dins = vista.comprovar(p.get(), n, quan);
        const bool fila = o.csv != nullptr && (k == 0 || us / 1000000 > (us - inf.cicleUs) / 1000000);
        if (k == 0 || k == inf.passos || k % inf.mostreig == 0 || fila) {
            const Mostra m = mesurador.mesurar(p.get(), n, quan, inf);
            if (k == 0)
                inicial = Iniciar(inf, m, lligams, p.get(), n, g, o.unions);
            Anotar(inf, inicial, m, quan);
            lligams.comprovar(p.get(), n, quan);
            if (fila)
                EscriureFila(*o.csv, quan, static_cast<double>(k) * inf.pas, m, dins);
        }
        if (o.fotograma && (k == 0 || FotogramaDegut(static_cast<int32_t>(ms - ultimFotograma), sistema.fps))) {
            o.fotograma(p.get(), n);
            ultimFotograma = ms;
        }
        if (o.aturarEnFallada && inf.mesEstret.passosPerOrbita < kPassosPerOrbita) {
            inf.aturat = true;
            break;
        }
    }

    Concloure(inf, inicial);
    // A size of 0 leaves the window's size to the screen, unknown here.
    inf.vistaConeguda = sistema.amplada > 0 && sistema.altura > 0;
    if (inf.vistaConeguda)
        vista.resumir(inf);
    ResumirLligams(inf, lligams, p.get(), inf.vistaConeguda ? vista.perduts() : std::vector<char>(n, 0));
    if (inf.mesEstret.a >= 0)
        inf.estretLleuger = EstretLleuger(inf.mesEstret, mesurador, n);
    return inf;
}
