// The theme catalogue. Each theme may bring its own stylesheet (loaded after
// style.css), logo and a picture that reaches past the window's edges.
// `bg` is the window colour shown before the page draws; the host keeps it.
var ZARVO_THEMES = [
  {
    id: 'classic',
    name: { lt: 'Klasikinė', en: 'Classic', ru: 'Классическая' },
    bg: { dark: '#0e0c0f', light: '#f3eee8' },
    swatch: { dark: '#b3132b', light: '#b3132b' }
  },
  {
    id: 'ember',
    name: { lt: 'Žarijos', en: 'Ember', ru: 'Угли' },
    css: 'themes/ember/theme.css',
    logo: 'themes/ember/logo.png',
    bg: { dark: '#0c0a08', light: '#f6efe4' },
    swatch: { dark: '#e0662a', light: '#c2501c' },
    art: {
      dark: { file: 'themes/ember/art-dark.png', x: 598, y: -150, height: 800 },
      light: { file: 'themes/ember/art-light.png', x: 598, y: -150, height: 800 }
    }
  }
];

// Only the themes named here are offered. The launcher carries the base page
// alone; a publisher who places a theme's folder next to it adds its id here.
ZARVO_THEMES = ZARVO_THEMES.filter(function (theme) {
  return ['classic'].indexOf(theme.id) >= 0;
});
