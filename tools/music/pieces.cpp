// The twelve pieces. The first greets the player in the menus, so it is warm and unhurried;
// calm and driving ones alternate after it. Leads are soft-edged and never sustained long.
#include "tools/music/style.h"

namespace zolvane::music {
namespace {

// General MIDI programs used here.
enum Program {
  Piano = 0, EPiano = 4, EPiano2 = 5, Clavinet = 7, MusicBox = 10, Vibraphone = 11, DrawbarOrgan = 16,
  JazzGuitar = 26, CleanGuitar = 27, AcousticBass = 32, FingerBass = 33, PickBass = 34, FretlessBass = 35,
  SynthBass1 = 38, SynthBass2 = 39, Violin = 40, Cello = 42, Pizzicato = 45, Harp = 46, Strings = 48,
  SlowStrings = 49, SynthStrings = 50, ChoirAahs = 52, VoiceOohs = 53, Trumpet = 56, MutedTrumpet = 59,
  FrenchHorn = 60, AltoSax = 65, TenorSax = 66, Oboe = 68, Clarinet = 71, Flute = 73, PanFlute = 75, Ocarina = 79,
  SquareLead = 80, NewAgePad = 88, WarmPad = 89, PolySynth = 90, BowedPad = 92, HaloPad = 94,
  SteelDrums = 114
};
enum Kit { StandardKit = 0, RoomKit = 8, PowerKit = 16, ElectronicKit = 24, JazzKit = 32, BrushKit = 40 };

enum Pc { C = 0, Db = 1, D = 2, Eb = 3, E = 4, F = 5, Gb = 6, G = 7, Ab = 8, A = 9, Bb = 10, B = 11 };

Instrument I(int program, int volume, int pan, int reverb, int chorus = 0) {
  return {program, volume, pan, reverb, chorus};
}

}  // namespace

std::vector<Style> Pieces() {
  std::vector<Style> p(12);

  Style& welcome = p[0];
  welcome.title = "Welcome Home";
  welcome.seed = 101;
  welcome.gainDb = 1.5;
  welcome.key = {F, Mode::Ionian};
  welcome.bpm = 100;
  welcome.energy = 0.45, welcome.density = 0.45;
  welcome.sevenths = 0.35, welcome.suspensions = 0.1, welcome.added = 0.2;
  welcome.melody = I(Flute, 100, 70, 60);
  welcome.counter = I(Vibraphone, 78, 44, 60);
  welcome.pad = I(WarmPad, 72, 64, 70, 30);
  welcome.comp = I(EPiano, 80, 52, 55, 40);
  welcome.compStyle = CompStyle::Charleston;
  welcome.bass = I(FingerBass, 96, 64, 30);
  welcome.bassStyle = BassStyle::RootFifth;
  welcome.drumKit = StandardKit, welcome.drums = DrumStyle::Shaker, welcome.drumVolume = 88;
  welcome.form = "I4 A8 A8 B8 A8 C8 A8 O4 E2";
  welcome.ending = Ending::Held;
  welcome.leadShift = 5, welcome.syncopation = 0.3;

  Style& climb = p[1];
  climb.title = "Steady Climb";
  climb.seed = 202;
  climb.gainDb = -0.3;
  climb.key = {A, Mode::Aeolian, true};
  climb.bpm = 128;
  climb.energy = 0.75, climb.density = 0.55;
  climb.sevenths = 0.15, climb.suspensions = 0.15, climb.added = 0.05;
  climb.lift = true;
  climb.melody = I(CleanGuitar, 100, 70, 50, 20);
  climb.counter = I(Strings, 76, 40, 55);
  climb.pad = I(SynthStrings, 62, 64, 60);
  climb.comp = I(Piano, 76, 54, 45);
  climb.compStyle = CompStyle::Eighths;
  climb.bass = I(PickBass, 98, 64, 25);
  climb.bassStyle = BassStyle::Pulse;
  climb.drumKit = StandardKit, climb.drums = DrumStyle::Rock, climb.drumVolume = 95;
  climb.form = "I2 A8 B8 A8 B16 C8 A8 B16 E1";
  climb.rhythmIntro = true;
  climb.ending = Ending::Cold;
  climb.leadShift = -5, climb.syncopation = 0.4;

  Style& gears = p[2];
  gears.title = "Loose Gears";
  gears.seed = 303;
  gears.gainDb = 3.7;
  gears.key = {D, Mode::Dorian};
  gears.bpm = 112;
  gears.swing = 0.12, gears.swingUnit = 120;
  gears.energy = 0.65, gears.density = 0.6;
  gears.sevenths = 0.6, gears.suspensions = 0.1, gears.added = 0.05;
  gears.melody = I(AltoSax, 92, 68, 45);
  gears.counter = I(MutedTrumpet, 70, 44, 45);
  gears.pad = I(DrawbarOrgan, 52, 64, 40);
  gears.comp = I(Clavinet, 74, 48, 35);
  gears.compStyle = CompStyle::Funk;
  gears.bass = I(FingerBass, 100, 64, 20);
  gears.bassStyle = BassStyle::Syncopated;
  gears.drumKit = StandardKit, gears.drums = DrumStyle::Funk, gears.drumVolume = 92;
  gears.form = "I8 A8 A8 B8 A8 C8 B8 A8 T4 E1";
  gears.introMelody = true;
  gears.ending = Ending::Tag;
  gears.leadShift = -3, gears.syncopation = 0.9;

  Style& water = p[3];
  water.title = "Still Water";
  water.seed = 404;
  water.gainDb = 2.7;
  water.key = {Eb, Mode::Lydian};
  water.bpm = 72;
  water.energy = 0.2, water.density = 0.35;
  water.sevenths = 0.25, water.suspensions = 0.15, water.added = 0.35;
  water.slowBridge = true;
  water.melody = I(PanFlute, 96, 66, 80);
  water.counter = I(Cello, 72, 46, 75);
  water.pad = I(HaloPad, 74, 64, 85, 30);
  water.arp = I(Harp, 82, 80, 80);
  water.arpStyle = ArpStyle::UpDown8, water.arpLength = 4;
  water.bass = I(FretlessBass, 90, 64, 50);
  water.bassStyle = BassStyle::Held;
  water.drumKit = BrushKit, water.drums = DrumStyle::Brush, water.drumVolume = 72;
  water.form = "I4 A8 B8 A8 C8 A8 O4 E2";
  water.drumless = "IC";
  water.ending = Ending::Thinning;
  water.leadShift = 7, water.syncopation = 0.1;

  Style& neon = p[4];
  neon.title = "Neon Run";
  neon.seed = 505;
  neon.gainDb = -3.5;
  neon.key = {E, Mode::Aeolian, true};
  neon.bpm = 152;
  neon.energy = 0.85, neon.density = 0.5, neon.motifBars = 2;
  neon.sevenths = 0.1, neon.suspensions = 0.2, neon.added = 0.05;
  neon.lift = true;
  neon.melody = I(SquareLead, 74, 66, 50, 25);
  neon.counter = I(SynthStrings, 68, 42, 55);
  neon.pad = I(PolySynth, 58, 64, 55, 30);
  neon.arp = I(EPiano2, 70, 84, 45, 20);
  neon.arpStyle = ArpStyle::Broken16, neon.arpLength = 1;
  neon.bass = I(SynthBass2, 92, 64, 20);
  neon.bassStyle = BassStyle::Pulse;
  neon.drumKit = ElectronicKit, neon.drums = DrumStyle::FourFloor, neon.drumVolume = 92;
  neon.form = "A8 A8 B8 B8 A8 C8 C8 A8 B8 B8 T4 E1";
  neon.ending = Ending::Tag;
  neon.leadShift = 10, neon.syncopation = 0.6;

  Style& waltz = p[5];
  waltz.title = "Garden Waltz";
  waltz.seed = 606;
  waltz.gainDb = 4.8;
  waltz.key = {G, Mode::Ionian};
  waltz.bpm = 138, waltz.beatsPerBar = 3;
  waltz.energy = 0.4, waltz.density = 0.5, waltz.motifBars = 2;
  waltz.sevenths = 0.2, waltz.suspensions = 0.05, waltz.added = 0.15;
  waltz.melody = I(Clarinet, 98, 68, 60);
  waltz.counter = I(Strings, 66, 44, 65);
  waltz.comp = I(Piano, 78, 56, 55);
  waltz.compStyle = CompStyle::Waltz;
  waltz.arp = I(Pizzicato, 66, 84, 55);
  waltz.arpStyle = ArpStyle::Up8, waltz.arpLength = 2;
  waltz.bass = I(AcousticBass, 96, 64, 35);
  waltz.bassStyle = BassStyle::Waltz;
  waltz.drumKit = JazzKit, waltz.drums = DrumStyle::JazzWaltz, waltz.drumVolume = 70;
  waltz.form = "I4 A16 B16 A16 C16 B16 A16 O4 E1";
  waltz.introMelody = true;
  waltz.drumless = "C";
  waltz.ending = Ending::Ritardando;
  waltz.leadShift = -7, waltz.syncopation = 0.1;

  Style& gear = p[6];
  gear.title = "Fifth Gear";
  gear.seed = 707;
  gear.gainDb = 5.7;
  gear.key = {C, Mode::Mixolydian};
  gear.bpm = 144;
  gear.energy = 0.85, gear.density = 0.5, gear.motifBars = 2;
  gear.sevenths = 0.3, gear.suspensions = 0.1, gear.added = 0.05;
  gear.melody = I(Trumpet, 84, 68, 50);
  gear.counter = I(CleanGuitar, 76, 40, 45, 20);
  gear.comp = I(DrawbarOrgan, 66, 56, 40);
  gear.compStyle = CompStyle::Offbeat;
  gear.bass = I(PickBass, 98, 64, 25);
  gear.bassStyle = BassStyle::Walking;
  gear.drumKit = StandardKit, gear.drums = DrumStyle::Train, gear.drumVolume = 95;
  gear.form = "I2 A8 B8 A8 C8 A8 B8 A8 C8 A8 B8 E1";
  gear.ending = Ending::Cold;
  gear.leadShift = 2, gear.syncopation = 0.5;

  Style& night = p[7];
  night.title = "Night Shift";
  night.seed = 808;
  night.gainDb = 3.3;
  night.key = {B, Mode::Aeolian};
  night.bpm = 88;
  night.swing = 0.3, night.swingUnit = 120;
  night.energy = 0.5, night.density = 0.55;
  night.sevenths = 0.7, night.suspensions = 0.05, night.added = 0.05;
  night.melody = I(TenorSax, 92, 66, 60);
  night.counter = I(Vibraphone, 74, 42, 60);
  night.comp = I(EPiano, 80, 54, 60, 40);
  night.compStyle = CompStyle::Charleston;
  night.bass = I(AcousticBass, 100, 64, 30);
  night.bassStyle = BassStyle::Walking;
  night.drumKit = RoomKit, night.drums = DrumStyle::SwingRide, night.drumVolume = 88;
  night.form = "I4 A8 A8 B8 A8 C8 A8 E1";
  night.ending = Ending::Ritardando;
  night.leadShift = -10, night.syncopation = 0.7;

  Style& glass = p[8];
  glass.title = "Glass Garden";
  glass.seed = 909;
  glass.gainDb = 4.8;
  glass.key = {Ab, Mode::Ionian};
  glass.bpm = 80;
  glass.energy = 0.25, glass.density = 0.4;
  glass.sevenths = 0.2, glass.suspensions = 0.2, glass.added = 0.3;
  glass.melody = I(Ocarina, 96, 62, 75);
  glass.counter = I(ChoirAahs, 62, 40, 80);
  glass.pad = I(NewAgePad, 66, 64, 80, 30);
  glass.arp = I(MusicBox, 70, 86, 75);
  glass.arpStyle = ArpStyle::Up8, glass.arpLength = 3;
  glass.bass = I(FretlessBass, 90, 64, 45);
  glass.bassStyle = BassStyle::Held;
  glass.drumKit = StandardKit, glass.drums = DrumStyle::Chimes, glass.drumVolume = 70;
  glass.form = "I2 A8 A8 A8 C8 A8 O4 E2";
  glass.drumless = "I";
  glass.ending = Ending::Thinning;
  glass.leadShift = 9, glass.syncopation = 0.2;

  Style& tower = p[9];
  tower.title = "Tower Rush";
  tower.seed = 1010;
  tower.gainDb = -0.5;
  tower.key = {Gb, Mode::Aeolian, true};
  tower.bpm = 160;
  tower.energy = 0.9, tower.density = 0.45, tower.motifBars = 2;
  tower.sevenths = 0.05, tower.suspensions = 0.15, tower.added = 0;
  tower.melody = I(FrenchHorn, 100, 64, 55);
  tower.counter = I(Strings, 78, 40, 55);
  tower.pad = I(SlowStrings, 58, 64, 60);
  tower.comp = I(Pizzicato, 80, 86, 45);
  tower.compStyle = CompStyle::Eighths;
  tower.bass = I(FingerBass, 96, 64, 25);
  tower.bassStyle = BassStyle::Pulse;
  tower.drumKit = PowerKit, tower.drums = DrumStyle::Toms, tower.drumVolume = 95;
  tower.form = "I8 A8 A8 B8 A8 B8 C8 C8 A8 B8 B8 T4 E1";
  tower.rhythmIntro = true;
  tower.ending = Ending::Tag;
  tower.leadShift = -8, tower.syncopation = 0.3;

  Style& drift = p[10];
  drift.title = "Drift";
  drift.seed = 1111;
  drift.gainDb = 3.4;
  drift.key = {Db, Mode::Dorian};
  drift.bpm = 92;
  drift.swing = 0.15, drift.swingUnit = 120;
  drift.energy = 0.35, drift.density = 0.4;
  drift.sevenths = 0.5, drift.suspensions = 0.15, drift.added = 0.1;
  drift.slowBridge = true;
  drift.melody = I(JazzGuitar, 96, 66, 60);
  drift.counter = I(VoiceOohs, 60, 42, 75);
  drift.pad = I(BowedPad, 64, 64, 75, 30);
  drift.arp = I(SteelDrums, 58, 84, 65);
  drift.arpStyle = ArpStyle::Cascade, drift.arpLength = 2;
  drift.bass = I(FretlessBass, 96, 64, 35);
  drift.bassStyle = BassStyle::Syncopated;
  drift.drumKit = StandardKit, drift.drums = DrumStyle::Bossa, drift.drumVolume = 82;
  drift.form = "I4 A8 B8 C8 A8 B8 O8 E2";
  drift.introMelody = true;
  drift.drumless = "C";
  drift.ending = Ending::Ritardando;
  drift.leadShift = -12, drift.syncopation = 0.8;

  Style& last = p[11];
  last.title = "Last Line";
  last.seed = 1212;
  last.gainDb = 4.7;
  last.key = {Bb, Mode::Aeolian, true};
  last.bpm = 124;
  last.energy = 0.75, last.density = 0.55;
  last.sevenths = 0.15, last.suspensions = 0.1, last.added = 0.05;
  last.melody = I(Violin, 94, 66, 55);
  last.counter = I(Cello, 80, 42, 55);
  last.pad = I(ChoirAahs, 54, 64, 65);
  last.arp = I(Piano, 70, 84, 45);
  last.arpStyle = ArpStyle::Rolling16, last.arpLength = 2;
  last.bass = I(FingerBass, 98, 64, 25);
  last.bassStyle = BassStyle::Syncopated;
  last.drumKit = StandardKit, last.drums = DrumStyle::Break, last.drumVolume = 90;
  last.form = "A8 A8 B8 A8 B8 C8 A8 B8 B8 E2";
  last.ending = Ending::Held;
  last.leadShift = 7, last.syncopation = 0.4;

  return p;
}

}  // namespace zolvane::music
